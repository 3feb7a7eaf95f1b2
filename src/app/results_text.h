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
// is created empty, and the text box stays as it was. Returns false in that case.
bool write2textbox(int text_box, const std::string& file_name, FileUnits& units);

// Writes the text (trailing blanks removed) as one record to the file, creating it or replacing
// its contents, through a unit of its own that is closed again. `unit` is the unit the caller
// picked; when it is not a usable unit a free one is taken. False if the file could not be
// written.
bool writelines(int unit, const std::string& file_name, std::string_view text, FileUnits& units);

// Empties the text box.
void cleartext(int text_box);

}  // namespace velmor::app
