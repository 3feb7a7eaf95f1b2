// SPDX-License-Identifier: MIT

#pragma once

#include <fstream>
#include <map>
#include <string>
#include <string_view>

// Numbered I/O units in the manner of Fortran: a unit number names one open file. The table
// owns the streams; destroying it (or close_all) closes every file. Used on the thread that
// runs the fit or the shell's command handler, never shared between threads.
namespace velmor {

// Units the fit driver starts its search from.
inline constexpr int kDriverInputUnit = 20;
inline constexpr int kDriverOutputUnit = 15;

enum class FileMode {
  kRead,    // existing file, read from the start ("status old")
  kWrite,   // created, or emptied if it exists ("replace")
  kAppend,  // created if missing, written at the end
};

class FileUnits {
 public:
  FileUnits() = default;
  FileUnits(FileUnits&&) noexcept = default;
  FileUnits& operator=(FileUnits&&) noexcept = default;
  FileUnits(const FileUnits&) = delete;
  FileUnits& operator=(const FileUnits&) = delete;
  ~FileUnits() = default;

  // Connects `unit` (>= 1) to the file. A unit already connected is closed first. kRead
  // refuses a missing file; every mode refuses an existing name that is not a regular file
  // (folder, pipe, device, socket), so no open can block. Returns false, leaving the unit
  // free, when the file cannot be opened.
  bool open(int unit, const std::string& name, FileMode mode);

  // Flushes and closes the unit; nothing happens if it is not connected.
  void close(int unit);
  void close_all();

  bool is_connected(int unit) const;

  // The unit connected to the file (names compared as resolved paths), -1 if none.
  int unit_of(const std::string& name) const;

  // The stream of a connected unit, nullptr otherwise. The pointer stays valid until the unit
  // is closed.
  std::fstream* stream(int unit);

  // The name the unit was opened with, empty if it is not connected.
  std::string name_of(int unit) const;

  int connected_count() const { return static_cast<int>(files_.size()); }

 private:
  struct OpenFile {
    std::string name;      // as given to open
    std::string absolute;  // the name from the folder the process was in at the open; resolved
                           // (links followed) only when a look-up by name needs it
    FileMode mode;
    std::fstream stream;
  };

  std::map<int, OpenFile> files_;
};

// A free unit searched upward from `start`. Start values 5, 6 and 9 (the console units) come
// back unchanged; any other start below 9 is raised by 100. The search tries that number and
// the 99 following ones, skipping 5, 6 and 9, and returns the first free one; if none is free
// the start value comes back unchanged.
int get_unit(int start, const FileUnits& units);

// The highest free unit from 100 down to 10, skipping `avoid`; -1 if all are taken.
int nuunit(int avoid, const FileUnits& units);

// True if something of that name exists (a folder counts).
bool file_name_exists(const std::string& name);

// True if the file is connected to any unit.
bool file_open_by_name(const std::string& name, const FileUnits& units);

// If the named file is connected to any unit, closes `unit` (callers pass the unit they opened
// it on).
void file_close_by_name(int unit, const std::string& name, FileUnits& units);

// Closes the unit if it is connected.
void file_close_by_unit(int unit, FileUnits& units);

}  // namespace velmor
