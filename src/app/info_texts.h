// SPDX-License-Identifier: MIT

#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

// The fixed texts of the information screens and the splash window. Each screen text is its
// lines joined by CR+LF and held in a buffer of fixed length, as the message box shows it.
namespace velmor::app {

// Buffer lengths of the screens; a longer text would be cut there.
inline constexpr std::size_t kModelLibraryBuffer = 1970;
inline constexpr std::size_t kExampleFileBuffer = 1100;
inline constexpr std::size_t kHelpBuffer = 1400;
inline constexpr std::size_t kMechanismBuffer = 2200;
inline constexpr std::size_t kAboutBuffer = 2500;

inline constexpr std::string_view kProgramTitle =
    "Velmor-TARN: Enzyme Progress of Reaction Modeling Software";

// The lines joined by CR+LF, cut to the buffer length.
std::string join_screen_lines(const std::vector<std::string>& lines, std::size_t buffer_length);

std::string model_library_text();
std::string example_file_text();
std::string help_text();
std::string mechanism_text();
std::string about_text();

// The lines of the splash window, top to bottom (empty strings are blank lines).
std::vector<std::string> splash_lines();

// The 27 lines of the example data (three curves of nine points), tab-separated, without the
// "<-- CURVE" notes: a valid data file as it stands.
std::vector<std::string> example_data_lines();

}  // namespace velmor::app
