// SPDX-License-Identifier: MIT

#pragma once

// The command codes of the main window's command loop. A menu callback stores one of them in
// MenuChoice and wakes the loop; the loop runs the matching handler on the main routine's thread.
namespace velmor::app {

inline constexpr int kCmdQuit = 0;
inline constexpr int kCmdRun = 1;
inline constexpr int kCmdSave = 2;
inline constexpr int kCmdPrint = 3;
inline constexpr int kCmdOpen = 4;
inline constexpr int kCmdAbout = 5;
inline constexpr int kCmdModels = 6;  // the model information screen ("Model Library")
inline constexpr int kCmdClear = 7;
inline constexpr int kCmdExample = 8;
inline constexpr int kCmdMechanism = 9;
inline constexpr int kCmdPlot = 10;
inline constexpr int kCmdIdle = 11;  // nothing pending
inline constexpr int kCmdData = 12;  // edit the data file
inline constexpr int kCmdWeightOn = 13;
inline constexpr int kCmdWeightOff = 14;
inline constexpr int kCmdModelLibrary = 15;  // the "Select Models" window (bar entry "Models")
inline constexpr int kCmdResiduals = 16;
inline constexpr int kCmdExportSummary = 17;  // the last completed run's summary table
inline constexpr int kCmdHelp = 19;

// MenuChoice before the first command; like every code without a handler it does nothing.
inline constexpr int kCmdStart = -1;

}  // namespace velmor::app
