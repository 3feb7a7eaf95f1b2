// SPDX-License-Identifier: MIT

#pragma once

// The report's format texts live in the report module; this header gives them to the callers
// that include it from here (the batch mode's closing line).
#include "engine/report/report_formats.h"
