// SPDX-License-Identifier: MIT

#pragma once

#include <string>
#include <string_view>

// The names of a run's input and report files. Both rules act on the file's own name (after
// the last '/'), never on the folders above it, and never cut or alter the folder part.
namespace velmor {

// The data file name as the run uses it: leading blanks and tabs and trailing blanks removed;
// if the file's own name holds no '.', its blanks and tabs are removed and ".in" is appended
// ("mydata" -> "mydata.in", "my.data/run" -> "my.data/run.in"). A name ending in '/' is left
// as it is.
std::string resolve_input_name(std::string_view name);

// The report file name: the data file name up to and including the last '.' of its own name,
// followed by "out" ("DATA.IN" -> "DATA.out", "results.run2.in" -> "results.run2.out"). A file
// name without a '.' gets ".out" appended.
std::string report_name_for(std::string_view data_file_name);

// True if the two names denote the same file, or would create the same new file
// (util::file_identity: "./DATA.out", "sub/../DATA.out" and the absolute name agree).
bool same_file(const std::string& a, const std::string& b);

}  // namespace velmor
