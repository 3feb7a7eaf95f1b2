// SPDX-License-Identifier: MIT

#pragma once

#include <array>
#include <functional>
#include <initializer_list>
#include <string_view>

// The main window's menus: the bar with its two drop-down menus "File" and "Weight", every entry
// with its label and command code, and the enabled state of each entry as the shell sets it.
namespace velmor::app {

// Every entry the shell enables or greys, bar entries first in the order they appear.
enum class Entry {
  kFile,       // drop-down
  kOpenData,   // bar "OpenData"
  kModels,     // bar "Models"
  kWeight,     // drop-down
  kRun,        // bar "Run"
  kClear,      // bar "Clear"
  kXyPlot,     // bar "XY_Plot"
  kResiduals,  // bar "Residuals"
  kHelp,
  kAboutBar,
  kQuitBar,
  kWeightOn,  // "Weight" drop-down
  kWeightOff,
  kOpenDataFile,  // "File" drop-down
  kEditDataFile,
  kRunCurveFit,
  kXyPlotFile,  // "XY Plot"
  kClearDisplay,
  kSaveResults,
  kExportSummary,  // "Export Summary...": the last completed run as a summary table
  kPrintResults,
  kMechanism,
  kModelLibrary,  // "Model Library": the model information screen
  kExampleFile,
  kAboutFile,
  kQuitFile,
};
inline constexpr int kEntryCount = 26;

struct EntryInfo {
  std::string_view label;
  int command;  // -1 for the two drop-down menus
};

// Label and command code of an entry.
EntryInfo entry_info(Entry entry);

// Enabled flags of every entry, indexed by Entry.
using EntryStates = std::array<bool, kEntryCount>;

// The states right after start-up.
EntryStates initial_entry_states();

// The drop-down menu an entry sits in (kFile or kWeight); the entry itself for the bar's own.
Entry menu_of(Entry entry);

// What the user can reach: an entry enabled in a drop-down menu that is enabled too.
EntryStates reachable_entries(const EntryStates& states);

// The menu bar of the main window and the toolkit ids of its entries. Menu items are created on
// the current window. The toolkit greys menu items only, not drop-down menus, so a greyed
// drop-down is shown by greying the items in it; they come back with their own state when the
// drop-down is enabled again.
class MainMenu {
 public:
  using CommandSink = std::function<void(int command)>;

  // Builds the bar on the current window. Each item's callback hands its command to `sink` on
  // the toolkit's callback thread.
  void build(CommandSink sink);

  // Records the entries' states and greys or enables the menu items to match. Main routine's
  // thread; the main window is the current window.
  void set(std::initializer_list<Entry> enable, std::initializer_list<Entry> disable);
  void set_all(const EntryStates& states);

  bool enabled(Entry entry) const { return states_[static_cast<int>(entry)]; }
  const EntryStates& states() const { return states_; }
  // The toolkit's item id of an entry; -1 for the drop-down menus.
  int item_id(Entry entry) const { return item_ids_[static_cast<int>(entry)]; }

 private:
  void show();

  std::array<int, kEntryCount> item_ids_{};
  EntryStates states_{};
  EntryStates shown_{};  // what the menu items show
};

}  // namespace velmor::app
