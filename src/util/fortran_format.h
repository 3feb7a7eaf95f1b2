#pragma once

#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace velmor::util {

// One item of an output list.
using FortranValue = std::variant<int, double, std::string>;

// Writes the values under a Fortran format text, e.g. "(10X,'AICc (Corrected Akaike)=',8X,F12.4,/)",
// exactly as a formatted WRITE of a standard Fortran compiler does, and returns the records it
// produces, each ended by '\n'.
std::string fortran_write(std::string_view format, const std::vector<FortranValue>& values);

}  // namespace velmor::util
