#include <atomic>
#include <functional>

#include "gui/test_input.h"
#include "gui/test_responder.h"
#include "gui_test_support.h"

namespace wintk {
namespace {

using testing::eventually;
using testing::run_gui;

TEST(Controls, RadioClickLeavesExactlyOneCheckedInItsGroup) {
  run_gui([] {
    initwindow(300, 300, "Radios");
    // The window's first radio button starts a group without beginradiogroup.
    const int lone = createradiobutton(10, 10, 100, 20, "lone");
    beginradiogroup();
    int group[4];
    for (int i = 0; i < 4; ++i) group[i] = createradiobutton(10, 40 + 25 * i, 100, 20, "r");
    test_input::click_control(lone);
    // Setting by program does not clear the others; only a click does.
    radiobuttonsetchecked(group[0], true);
    radiobuttonsetchecked(group[1], true);
    EXPECT_TRUE(radiobuttonischecked(group[0]));
    EXPECT_TRUE(radiobuttonischecked(group[1]));
    ASSERT_TRUE(test_input::click_control(group[2]));
    ASSERT_TRUE(test_input::click_control(group[2]));  // a second click keeps it checked
    for (int i = 0; i < 4; ++i) EXPECT_EQ(radiobuttonischecked(group[i]), i == 2) << i;
    EXPECT_TRUE(radiobuttonischecked(lone));  // another group
  });
}

TEST(Controls, ButtonCallbackRunsOnACallbackThreadOfItsWindow) {
  run_gui([] {
    const int window = initwindow(200, 100, "Buttons");
    std::atomic<int> signalling{-5};
    const int button = createbutton(10, 10, 80, 24, "OK   ", [&] {
      signalling = getsignallingwindow();
      stopidle();
    });
    ASSERT_GE(button, 0);
    ASSERT_TRUE(test_input::click_control(button));
    loop();
    EXPECT_EQ(signalling, window);
    enablebutton(button, false);
    EXPECT_FALSE(test_input::control_enabled(button));
    setbuttonvisible(button, false);
    EXPECT_FALSE(test_input::control_visible(button));
  });
}

TEST(Controls, IdsCountAcrossKindsAndInvalidIdsAreIgnored) {
  run_gui([] {
    initwindow(200, 200, "Ids");
    EXPECT_EQ(createbutton(0, 0, 50, 20, "a"), 0);
    EXPECT_EQ(createtextbox(0, 30, 50, 20), 1);
    EXPECT_EQ(createcheckbox(0, 60, 50, 20, "c"), 2);
    EXPECT_EQ(createmultilinetextbox(0, 90, 100, 60), 3);
    EXPECT_EQ(gettextboxlength(99), -1);
    EXPECT_EQ(gettextboxlength(0), -1);  // a button is not a text box
    EXPECT_EQ(inserttextboxtext(-4, "x"), -1);
    EXPECT_FALSE(radiobuttonischecked(1));
    settextboxcontents(42, "ignored");
    checkboxsetchecked(2, true);
    EXPECT_TRUE(checkboxischecked(2));
  });
}

TEST(Controls, MultiLineTextCountsLineBreaksAsCarriageReturnLineFeed) {
  run_gui([] {
    initwindow(400, 300, "Text");
    const int box = createmultilinetextbox(0, 0, 400, 300);
    inserttextboxtext(box, "first line   ");  // trailing blanks are trimmed
    inserttextboxtext(box, "\r\nsecond\r\n");
    EXPECT_EQ(gettextboxcontents(box), "first line\r\nsecond\r\n");
    EXPECT_EQ(gettextboxlength(box), 20);
    // Position 12 is the start of "second" when a break counts two.
    settextboxcursorposition(box, 12);
    inserttextboxtext(box, ">");
    EXPECT_EQ(gettextboxcontents(box), "first line\r\n>second\r\n");
    inserttextboxtext(box, "  keep  ", false);
    EXPECT_EQ(gettextboxcontents(box), "first line\r\n>  keep  second\r\n");
    settextboxcontents(box, std::nullopt);
    EXPECT_EQ(gettextboxlength(box), 0);
  });
}

// A single-line box takes more than the 32767 characters a Qt line edit allows by default.
TEST(Controls, InsertionBeyondTheTextLimitSucceeds) {
  run_gui([] {
    initwindow(400, 300, "Limit");
    const int line = createtextbox(0, 0, 100, 20);
    EXPECT_EQ(inserttextboxtext(line, std::string(40000, 'y')), 40000);
    EXPECT_EQ(gettextboxlength(line), 40000);
  });
}

TEST(Controls, EnterInASingleLineBoxRunsItsCallback) {
  run_gui([] {
    initwindow(200, 100, "Enter");
    const int box = createtextbox(0, 0, 150, 24);
    std::atomic<int> entered{0};
    settextboxentercallback(box, [&] {
      ++entered;
      stopidle();
    });
    settextboxcontents(box, "typed");
    ASSERT_TRUE(test_input::press_enter(box));
    loop();
    EXPECT_EQ(entered, 1);
    EXPECT_EQ(gettextboxcontents(box), "typed");
  });
}

TEST(Dialogs, CancelledFileDialogLeavesTheBufferUnchanged) {
  RecordingResponder responder;
  run_gui([&] {
    initwindow(200, 100, "Files");
    std::string name = "Data.in   ";
    EXPECT_FALSE(dlgopenfile(name, "*.in", "*.in", "Enter data file"));
    EXPECT_EQ(name, "Data.in   ");
    responder.queue_answer({true, "/tmp/chosen.txt"});
    EXPECT_TRUE(dlgsavefile(name, "*.txt", "*.txt", "Save Data"));
    EXPECT_EQ(name, "/tmp/chosen.txt");
    std::string folder = "/home/user/data/";
    dlgopenfile(folder, "*.in", "", "Open");
    EXPECT_EQ(folder, "/home/user/data/");
  });
  const auto requests = responder.requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0].kind, DialogKind::kOpenFile);
  EXPECT_EQ(requests[0].title, "Enter data file");
  EXPECT_EQ(requests[0].initial_name, "Data.in");
  EXPECT_EQ(requests[0].filter, "*.in (*.in);;All Files (*.*)");
  EXPECT_GE(requests[0].owner_window, 0);
  EXPECT_EQ(requests[1].kind, DialogKind::kSaveFile);
  EXPECT_EQ(requests[2].initial_folder, "/home/user/data/");
  EXPECT_EQ(requests[2].initial_name, "");
  EXPECT_EQ(requests[2].filter, "*.infiles (*.in);;All Files (*.*)");
}

TEST(Dialogs, MessageBoxTitleAndIconFollowTheKind) {
  RecordingResponder responder;
  run_gui([] {
    dlgmessage(1, "Before any window");
    initwindow(100, 100, "Owner");
    dlgmessage(3, "First sentence.\r\nSecond sentence.   ");
    dlgmessage(2, "w");
    dlgmessage(0, "plain");
    dlgmessage(3, std::nullopt);  // nothing shown
  });
  const auto requests = responder.requests();
  ASSERT_EQ(requests.size(), 4u);
  struct Expected {
    const char* title;
    MessageIcon icon;
    bool owned;
  };
  const Expected expected[] = {{"Information", MessageIcon::kInformation, false},
                               {"Error", MessageIcon::kError, true},
                               {"Warning", MessageIcon::kWarning, true},
                               {"Message", MessageIcon::kNone, true}};
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(requests[i].title, expected[i].title) << i;
    EXPECT_EQ(requests[i].icon, expected[i].icon) << i;
    EXPECT_EQ(requests[i].owner_window >= 0, expected[i].owned) << i;
  }
  EXPECT_EQ(requests[1].text, "First sentence.\r\nSecond sentence.");
}

// [SECTION] Real dialogs (no responder): the test dismisses them as the user would.

// Waits for the toolkit's modal dialog; false if none opened within about two seconds.
bool dialog_opens() {
  return eventually([] { return test_input::modal_dialog().open; });
}

struct OwnerClosedCase {
  const char* name;
  std::function<void()> open_dialog;  // blocks until the dialog is dismissed
};

class DialogOwnerClosed : public ::testing::TestWithParam<OwnerClosedCase> {};

// Another thread closes the dialog's owner window while the dialog is open: the dialog stays
// open and usable, and returns normally when dismissed.
TEST_P(DialogOwnerClosed, DialogSurvivesItsOwner) {
  run_gui([] {
    const int owner = initwindow(200, 150, "Owner");
    bool survived = false;
    std::thread other([&] {
      ASSERT_TRUE(dialog_opens());
      closewindow(owner);
      test_input::flush_gui_events();
      survived = test_input::modal_dialog().open;
      test_input::dismiss_modal_dialog();
    });
    GetParam().open_dialog();
    other.join();
    EXPECT_TRUE(survived);
    EXPECT_FALSE(isvalidwindow(owner));
  });
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, DialogOwnerClosed,
    ::testing::Values(OwnerClosedCase{"Message", [] { dlgmessage(2, "Owner goes away"); }},
                      OwnerClosedCase{"OpenFile",
                                      [] {
                                        std::string name = "x.in";
                                        EXPECT_FALSE(dlgopenfile(name, "*.in", "", "Open"));
                                      }},
                      OwnerClosedCase{"Print", [] { EXPECT_FALSE(printimage("Print")); }}),
    [](const auto& info) { return std::string(info.param.name); });

// A message box is as wide as its longest line: the lines are never wrapped again.
TEST(Dialogs, MessageBoxIsAsWideAsItsLongestLine) {
  run_gui([] {
    initwindow(200, 150, "Owner");
    std::string line;
    for (int i = 0; i < 13; ++i) line += "Mmmm ";  // words: a wrapping box would break it
    std::thread other([] {
      ASSERT_TRUE(dialog_opens());
      const test_input::ModalDialog box = test_input::modal_dialog();
      EXPECT_GT(box.longest_line_width, 550);
      EXPECT_GE(box.text_width, box.longest_line_width);
      test_input::dismiss_modal_dialog();
    });
    dlgmessage(1, "Short line\r\n" + line + "\r\nshort again");
    other.join();
  });
}

}  // namespace
}  // namespace wintk
