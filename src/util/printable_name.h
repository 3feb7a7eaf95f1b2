// SPDX-License-Identifier: MIT

#pragma once

#include <string>
#include <string_view>

// File names as they may be printed on one line of a message or report.
namespace velmor::util {

// True if the name holds a control character (a line break, a tab, DEL, ...).
bool has_control_character(std::string_view name);

// The name unchanged when it holds no control character; otherwise in double quotes, with line
// feed, carriage return and tab written as \n, \r, \t, other control characters as \xNN, and a
// double quote or backslash preceded by a backslash.
std::string printable_name(std::string_view name);

// The text with each control character written as printable_name writes it and nothing else
// changed, so that a message line stays one line and sends no escape codes to a terminal.
std::string printable_line(std::string_view text);

}  // namespace velmor::util
