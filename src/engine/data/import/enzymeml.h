// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

#include "engine/data/import/raw_curves.h"

// EnzymeML v2 documents (JSON): each measurement's time course of the observed species is a
// curve, its id the measurement's id, its group the measurement's group_id.
namespace velmor {

// Documents larger than this are refused before they are read.
inline constexpr std::size_t kMaxEnzymeMlBytes = 16u << 20;

// The curves of the document `text`. The observed species is `species`, or, when that is
// empty, the one species with a time course (several are refused, asking for --species). A
// curve's [So] is the initial amount of `substrate` when given; else that of the observed
// species when its course falls (a substrate), or, when it rises (a product), that of the one
// reactant of the reactions making it that the measurement gives an initial amount of.
// Measurements without a course of the observed species are left out, which a message says.
// Units: the data unit's name ("umol / l" is written uM) and the time unit (s, min, h, from the
// name or the base units), which must be the same in every measurement.
RawCurves read_enzymeml(std::string_view text, const std::string& species,
                        const std::string& substrate);

// True if the text parses as JSON holding a "measurements" array at its top (a folder's .json
// files are taken only then).
bool is_enzymeml_document(std::string_view text);

}  // namespace velmor
