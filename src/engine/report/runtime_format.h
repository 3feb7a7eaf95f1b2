// SPDX-License-Identifier: MIT

#pragma once

#include <string>
#include <string_view>

namespace velmor {

// A format text built at run time: the template (Hollerith pieces around an I3 item) written
// with the count, e.g. "(3H(1X,I3,6H('-')))" with 78 gives the format of a line of a blank and
// 78 dashes.
std::string runtime_format(std::string_view format_template, int count);

// A format text written by a template that holds only Hollerith pieces.
std::string runtime_format(std::string_view format_template);

// The format of a line of one blank and `count` dashes.
std::string dash_line_format(int count);

}  // namespace velmor
