// SPDX-License-Identifier: MIT
// Controls, text boxes and dialogs.
#include <functional>

#include "gui/test_responder.h"
#include "gui_test_support.h"

namespace wintk {
namespace {

using testing::eventually;
using testing::run_gui;

TEST(Controls, RadioClickLeavesExactlyOneCheckedInItsGroup) {
  run_gui([] {
    initwindow(300, 300, "Radios");
    const int lone = createradiobutton(10, 10, 100, 20, "lone");  // starts a group by itself
    beginradiogroup();
    int group[4];
    for (int i = 0; i < 4; ++i) group[i] = createradiobutton(10, 40 + 25 * i, 100, 20, "r");
    test_input::click_control(lone);
    // Setting by program does not clear the others; only a click does.
    radiobuttonsetchecked(group[0], true);
    radiobuttonsetchecked(group[1], true);
    EXPECT_TRUE(radiobuttonischecked(group[0]) && radiobuttonischecked(group[1]));
    ASSERT_TRUE(test_input::click_control(group[2]));
    ASSERT_TRUE(test_input::click_control(group[2]));  // a second click keeps it checked
    for (int i = 0; i < 4; ++i) EXPECT_EQ(radiobuttonischecked(group[i]), i == 2) << i;
    EXPECT_TRUE(radiobuttonischecked(lone));  // another group
  });
}

// Ids across kinds; wrong ids are ignored; no 32767-character limit; CR+LF in multi-line boxes.
TEST(Controls, IdsTextLimitAndMultiLineText) {
  run_gui([] {
    initwindow(200, 200, "Ids");
    EXPECT_EQ(
        std::vector({createbutton(0, 0, 50, 20, "a"), createtextbox(0, 30, 50, 20),
                     createcheckbox(0, 60, 50, 20, "c"), createmultilinetextbox(0, 90, 100, 60)}),
        std::vector({0, 1, 2, 3}));
    // No control, a button, no control.
    EXPECT_EQ(std::vector({gettextboxlength(99), gettextboxlength(0), inserttextboxtext(-4, "x")}),
              std::vector({-1, -1, -1}));
    EXPECT_FALSE(radiobuttonischecked(1));
    settextboxcontents(42, "ignored");
    checkboxsetchecked(2, true);
    EXPECT_TRUE(checkboxischecked(2));
    EXPECT_EQ(inserttextboxtext(1, std::string(40000, 'y')), 40000);
    EXPECT_EQ(gettextboxlength(1), 40000);

    inserttextboxtext(3, "first line   ");
    inserttextboxtext(3, "\r\nsecond\r\n");
    EXPECT_EQ(std::pair(gettextboxcontents(3), gettextboxlength(3)),
              std::pair(std::string("first line\r\nsecond\r\n"), 20));
    settextboxcursorposition(3, 12);  // the start of "second" when a break counts two
    inserttextboxtext(3, ">");
    inserttextboxtext(3, "  keep  ", false);
    EXPECT_EQ(gettextboxcontents(3), "first line\r\n>  keep  second\r\n");
    settextboxcontents(3, std::nullopt);
    EXPECT_EQ(gettextboxlength(3), 0);
  });
}

// A cancelled file dialog leaves the name alone; the requests carry title, name and filters.
TEST(Dialogs, FileDialogsAndMessageBoxesAsAsked) {
  RecordingResponder responder;
  run_gui([&] {
    dlgmessage(1, "Before any window");
    initwindow(200, 100, "Files");
    std::string name = "Data.in   ";
    EXPECT_FALSE(dlgopenfile(name, "*.in", "*.in", "Enter data file"));
    EXPECT_EQ(name, "Data.in   ");
    responder.queue_answer({true, "/tmp/chosen.txt"});
    EXPECT_TRUE(dlgsavefile(name, "*.txt", "*.txt", "Save Data"));
    EXPECT_EQ(name, "/tmp/chosen.txt");
    dlgmessage(3, "First sentence.\r\nSecond sentence.   ");
    dlgmessage(2, "w");
    dlgmessage(0, "plain");
    dlgmessage(3, std::nullopt);  // nothing shown
  });
  const auto r = responder.requests();
  ASSERT_EQ(r.size(), 6u);
  EXPECT_EQ(std::tuple(r[1].kind, r[1].title, r[1].initial_name, r[1].filter, r[2].kind),
            std::tuple(DialogKind::kOpenFile, "Enter data file", "Data.in",
                       "*.in (*.in);;All Files (*.*)", DialogKind::kSaveFile));
  const std::tuple<int, const char*, MessageIcon> boxes[] = {
      {0, "Information", MessageIcon::kInformation},
      {3, "Error", MessageIcon::kError},
      {4, "Warning", MessageIcon::kWarning},
      {5, "Message", MessageIcon::kNone}};
  for (const auto& [i, title, icon] : boxes) {
    EXPECT_EQ(std::tuple(r[i].title, r[i].icon, r[i].owner_window >= 0),
              std::tuple(title, icon, i > 0));
  }
  EXPECT_EQ(r[3].text, "First sentence.\r\nSecond sentence.");
}

// Real dialogs (no responder): a message box is as wide as its longest line (never wrapped
// again); a dialog whose owner another thread closes stays open and returns when dismissed.
TEST(Dialogs, RealDialogsKeepTheirLinesAndSurviveTheirOwner) {
  std::string line;
  for (int i = 0; i < 13; ++i) line += "Mmmm ";  // words: a wrapping box would break it
  const std::function<void()> dialogs[] = {
      [&] { dlgmessage(1, "Short line\r\n" + line + "\r\nshort again"); },
      [] { EXPECT_FALSE(printimage("Print")); }};
  for (const auto& open_dialog : dialogs) {
    run_gui([&] {
      const int owner = initwindow(200, 150, "Owner");
      EXPECT_FALSE(test_input::modal_dialog().open);
      test_input::ModalDialog shown, after_close;
      std::thread other([&] {
        ASSERT_TRUE(eventually([&] { return (shown = test_input::modal_dialog()).open; }));
        closewindow(owner);
        test_input::flush_gui_events();
        after_close = test_input::modal_dialog();
        test_input::dismiss_modal_dialog();
      });
      open_dialog();
      other.join();
      EXPECT_TRUE(after_close.open && !isvalidwindow(owner));
      if (&open_dialog == dialogs) {
        EXPECT_TRUE(shown.longest_line_width > 550 && shown.text_width >= shown.longest_line_width)
            << shown.longest_line_width << " " << shown.text_width;
      }
    });
  }
}

}  // namespace
}  // namespace wintk
