// SPDX-License-Identifier: MIT

#include "app/main_menu.h"

#include "app/command_codes.h"
#include "gui/wintk.h"

namespace velmor::app {
namespace {

constexpr std::array<EntryInfo, kEntryCount> kEntries = {{
    {"File", -1},
    {"OpenData", kCmdOpen},
    {"Models", kCmdModelLibrary},
    {"Weight", -1},
    {"Run", kCmdRun},
    {"Clear", kCmdClear},
    {"XY_Plot", kCmdPlot},
    {"Residuals", kCmdResiduals},
    {"Help", kCmdHelp},
    {"About", kCmdAbout},
    {"Quit", kCmdQuit},
    {"Turn-ON Robust Wt", kCmdWeightOn},
    {"Turn-OFF Robust Wt", kCmdWeightOff},
    {"Open Data File", kCmdOpen},
    {"Edit Data File", kCmdData},
    {"Run Curve-fit", kCmdRun},
    {"XY Plot", kCmdPlot},
    {"Clear Display", kCmdClear},
    {"Save Results", kCmdSave},
    {"Export Summary...", kCmdExportSummary},
    {"Print Results", kCmdPrint},
    {"Enzymatic Mechanism", kCmdMechanism},
    {"Model Library", kCmdModels},
    {"Example Data File", kCmdExample},
    {"About", kCmdAbout},
    {"Quit", kCmdQuit},
}};

// The "File" drop-down in menu order.
constexpr Entry kFileItems[] = {
    Entry::kOpenDataFile, Entry::kEditDataFile, Entry::kRunCurveFit,   Entry::kXyPlotFile,
    Entry::kClearDisplay, Entry::kSaveResults,  Entry::kExportSummary, Entry::kPrintResults,
    Entry::kMechanism,    Entry::kModelLibrary, Entry::kExampleFile,   Entry::kAboutFile,
    Entry::kQuitFile,
};

}  // namespace

EntryInfo entry_info(Entry entry) {
  return kEntries[static_cast<int>(entry)];
}

EntryStates initial_entry_states() {
  EntryStates states{};
  for (const Entry e :
       {Entry::kFile, Entry::kAboutBar, Entry::kAboutFile, Entry::kQuitBar, Entry::kQuitFile,
        Entry::kOpenDataFile, Entry::kModelLibrary, Entry::kExampleFile, Entry::kMechanism,
        Entry::kWeightOn, Entry::kOpenData, Entry::kModels, Entry::kHelp}) {
    states[static_cast<int>(e)] = true;
  }
  return states;
}

Entry menu_of(Entry entry) {
  if (entry == Entry::kWeightOn || entry == Entry::kWeightOff) return Entry::kWeight;
  if (static_cast<int>(entry) >= static_cast<int>(Entry::kOpenDataFile)) return Entry::kFile;
  return entry;
}

EntryStates reachable_entries(const EntryStates& states) {
  EntryStates reachable{};
  for (int i = 0; i < kEntryCount; ++i) {
    reachable[i] = states[i] && states[static_cast<int>(menu_of(static_cast<Entry>(i)))];
  }
  return reachable;
}

void MainMenu::build(CommandSink sink) {
  item_ids_.fill(-1);
  const auto add_item = [&](Entry entry, int menu) {
    const int command = entry_info(entry).command;
    item_ids_[static_cast<int>(entry)] =
        wintk::addmenuitem(entry_info(entry).label, menu, [sink, command] { sink(command); });
  };
  const int bar = wintk::addmenu("Main");
  const int file_menu = wintk::addmenu(entry_info(Entry::kFile).label, bar);
  for (const Entry entry : kFileItems) add_item(entry, file_menu);
  add_item(Entry::kOpenData, bar);
  add_item(Entry::kModels, bar);
  const int weight_menu = wintk::addmenu(entry_info(Entry::kWeight).label, bar);
  add_item(Entry::kWeightOn, weight_menu);
  add_item(Entry::kWeightOff, weight_menu);
  for (const Entry entry : {Entry::kRun, Entry::kClear, Entry::kXyPlot, Entry::kResiduals,
                            Entry::kHelp, Entry::kAboutBar, Entry::kQuitBar}) {
    add_item(entry, bar);
  }
  states_.fill(true);
  shown_.fill(true);
}

void MainMenu::show() {
  const EntryStates reachable = reachable_entries(states_);
  for (int i = 0; i < kEntryCount; ++i) {
    if (item_ids_[i] < 0 || reachable[i] == shown_[i]) continue;
    wintk::enablemenuitem(item_ids_[i], reachable[i]);
    shown_[i] = reachable[i];
  }
}

void MainMenu::set(std::initializer_list<Entry> enable, std::initializer_list<Entry> disable) {
  for (const Entry entry : enable) states_[static_cast<int>(entry)] = true;
  for (const Entry entry : disable) states_[static_cast<int>(entry)] = false;
  show();
}

void MainMenu::set_all(const EntryStates& states) {
  states_ = states;
  show();
}

}  // namespace velmor::app
