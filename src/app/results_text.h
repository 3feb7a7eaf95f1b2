// SPDX-License-Identifier: MIT

#pragma once

#include <string>
#include <string_view>

#include "engine/core/file_units.h"

// The results text box of the main window: loading a report into it, saving its contents, and
// emptying it. Called on the main routine's thread; the text box belongs to the current window.
namespace velmor::app {

// Lines longer than this are shown cut in the text box (the file keeps them whole).
inline constexpr std::size_t kTextBoxLineLength = 100;

// The text box contents made from a report: every line of the file but the first, cut to 100
// characters, trailing blanks removed, each ended by CR+LF.
std::string report_text_for_box(std::istream& report);

// Copies the file into the text box (appending at the caret) after enabling, focusing and
// showing the box. The file is read through a free unit below 100. A file that cannot be read
// is created empty if it is missing (util::AtomicFile), and the text box stays as it was.
// Returns false in that case.
bool write2textbox(int text_box, const std::string& file_name, FileUnits& units);

// Shows the report text in the text box as write2textbox shows a report file.
void write_report_to_textbox(int text_box, const std::string& report_text);

// Writes the text (trailing blanks removed) as one record to the file, creating it or replacing
// it whole once written (util::AtomicFile: a link, folder or read-only file of that name is
// refused and left alone). False if the file could not be written; `error` (when given) then
// receives the message naming the file.
bool writelines(const std::string& file_name, std::string_view text, std::string* error = nullptr);

// Empties the text box.
void cleartext(int text_box);

}  // namespace velmor::app
