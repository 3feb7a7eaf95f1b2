// SPDX-License-Identifier: MIT

#pragma once

#include <string>
#include <string_view>

// Routines on fixed-length, blank-padded character fields held in std::string. The field's
// length is the string's size; a routine that modifies a field keeps its size and pads with
// blanks. Positions returned are 1-based, 0 meaning "none". "Blank" is the space character;
// where a routine also treats the tab (code 9) as blank it says so.
namespace velmor::util {

// Position of the last non-blank character, 0 if the field is empty or all blank.
int s_len_trim(std::string_view s);

// The field without its trailing blanks (a view into s).
std::string_view trimmed(std::string_view s);

// Moves the text left over its leading blanks and tabs and pads the end with blanks.
void s_adjustl(std::string& s);

// Removes every blank and tab and pads the end with blanks.
void s_blank_delete(std::string& s);

// Copies s1 into s2 (cut or blank-padded to the size of s2) and capitalises the letters a-z
// within the first s1.size() positions of s2.
void s_cap_string(std::string_view s1, std::string& s2);

// Position of the first c within the used part of s (up to s_len_trim), 0 if absent.
int ch_index(std::string_view s, char c);

// Replaces every run of blanks and tabs by a single blank and pads the end with blanks.
void compact(std::string& s);

// Number of blank-separated words (blanks and tabs separate, runs count once; a comma does
// not separate).
int s_word_count(std::string_view s);

}  // namespace velmor::util
