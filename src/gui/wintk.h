// SPDX-License-Identifier: MIT

#pragma once

// The toolkit wintk: top-level windows with menus, controls and a four-page drawing surface, the
// idle wait that hands menu and control commands to a sequential main routine, file dialogs and
// message boxes. The application and the plot library use only this header (and the dialog seam
// of dialog_responder.h; the tests' seams test_responder.h and test_input.h are built into the
// test-only library wintk_test_hooks); Qt stays behind it.
//
// Threads: run_application runs the platform's event loop on the process main thread (the GUI
// thread) and the application's main routine on a thread of its own. Every operation may be
// called from any thread; changes to windows, menus and controls are carried out on the GUI
// thread while the caller waits. Menu and control commands run their callbacks on a new thread
// each. Failures return -1 or -2, never exceptions.
//
// The current window is the calling thread's own: each thread has one (none until it makes or
// chooses a window), a menu or control callback starts with the window whose item or control it
// belongs to, and a window's close and resize callbacks run with that window current. So the
// main routine's choice is never changed under it by a callback, and a window closed by one
// thread is simply gone for the others. An operation that needs a current window while its
// thread has none, or has one that has gone, is ignored (getters return 0 or -1); the first such
// call writes "Drawing operation was attempted when there was no current window; it was
// ignored." to stderr. The program goes on.
//
// Strings are UTF-8. Every string argument is trimmed of trailing blanks (the wrapper
// convention for blank-padded fields).

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "gui/pixel_buffer.h"

namespace wintk {

using Callback = std::function<void()>;
// Asked when the user closes a window from its title bar; 0 vetoes the close.
using SystemCloseCallback = std::function<int()>;

// Starts the GUI thread's event loop on the calling (main) thread and app_main on a new thread;
// returns app_main's result once app_main has returned and the windows it left open are closed.
// Closing the last window does not end the program; the end of app_main does.
int run_application(int& argc, char** argv, const std::function<int()>& app_main);

// Closing a window whose close ends the program hides every window at once; the process ends
// when the main routine next calls the toolkit, on that thread, after this callback has run
// (the place to close the program's files), or after ten seconds without such a call. An empty
// callback removes it.
// Without that call the process ends all the same: the files a run was still writing (its
// report's lock, temporary files) are removed on every way the toolkit ends the process.
void setprogramendcallback(Callback callback);

// ---------------------------------------------------------------------------------------------
// Windows
// ---------------------------------------------------------------------------------------------

inline constexpr int kDefaultPosition = -32768;  // left/top: let the platform place the window
inline constexpr int kNoWindow = -3;             // getcurrentwindow() when there is none

// Creates a window with a client area of width x height pixels and makes it current; returns its
// id (0, 1, 2, ... never reused) or -1. An absent or empty title gives a caption-less window.
// The two flags, when given, are remembered for later calls that omit them (defaults: single
// buffer; closing the window ends the program). The window is placed so that it stays on the
// screen. `owner`, when it names an open window, makes the new window that window's dialog: it
// stays above its owner, and the owner's close box is refused while it is open (unless closing
// the owner ends the program). With `shown` false the window is made but not shown until
// showwindow: a window whose user may close it must have its close handling (and anything else
// its first appearance needs) in place before it can be seen.
int initwindow(int width, int height, std::optional<std::string_view> title = std::nullopt,
               int left = kDefaultPosition, int top = kDefaultPosition,
               std::optional<bool> double_buffer = std::nullopt,
               std::optional<bool> close_ends_program = std::nullopt, int owner = -1,
               bool shown = true);
// Shows a window made with `shown` false and brings it to the front; nothing for one shown.
void showwindow(int id);
// Gives the current window that client size (a window that is not resizable keeps it).
void setclientsize(int width, int height);
// id >= 0: that window; -1: the calling thread's current window; -2 (default): every window. No
// close callback runs. Invalid ids are ignored.
void closewindow(int id = -2);
// Makes the window the calling thread's current one and brings it to the front.
void setcurrentwindow(int id);
int getcurrentwindow();
bool isvalidwindow(int id);
void enablewindow(int id, int flag);
// The window whose menu or control started the calling callback thread, or the first window the
// calling thread created; -1 if none.
int getsignallingwindow();
void setwindowtitle(std::string_view title);
void setwindowclosecallback(Callback callback);
void setwindowsystemclosecallback(SystemCloseCallback callback);
// Makes the current window resizable; the callback runs on the GUI thread after each resize.
void enableresize(Callback callback = {});
void setdialoghotkeys(bool flag);

int getmaxx();       // client width - 1 of the current window
int getmaxy();       // client height - 1
int getmaxwidth();   // widest client area whose window fits the screen
int getmaxheight();  // tallest client area whose window fits the screen
void setapplicationdpiaware();
int getdpi();
int scaledpi(int n);  // n * dpi / 96, rounded to nearest

int getactivepage();
void setactivepage(int page);
int getvisualpage();
void setvisualpage(int page);
void swapbuffers();
void setrefreshing(bool flag);
void refreshall();

// ---------------------------------------------------------------------------------------------
// Idle wait: the main routine's only way of waiting for the user.
// ---------------------------------------------------------------------------------------------

void startidle(int milliseconds);  // waits on the current window's idle event at most this long
void loop();                       // waits without a time-out
void stopidle();                   // signals the current window's idle event (auto-reset)
// The same on the idle event of the window with that id, whichever window is current, so that
// a thread can wait for or wake one window without making it current. A closed window's
// waiters are woken when it goes; waitidle on a closed window returns at once, signalidle on
// one does nothing. milliseconds < 0: no time-out.
void waitidle(int window, int milliseconds);
void signalidle(int window);

// ---------------------------------------------------------------------------------------------
// Menus of the current window
// ---------------------------------------------------------------------------------------------

// In menu and item titles an '&' marks the next letter as the mnemonic (shown underlined; Alt and
// the letter choose it); "&&" is a literal '&'.
// parent -1: the menu bar (once per window; the client size is kept). Otherwise a drop-down menu
// appended to the parent menu. Returns the menu id or -2.
int addmenu(std::string_view title, int parent = -1);
// Item ids count 0, 1, 2, ... across all menus of a window. No title and no callback appends a
// separator; a title without callback uses up an id and returns -2; an invalid menu gives -2.
int addmenuitem(std::optional<std::string_view> title, int menu, Callback callback);
int addmenuseparator(int menu);
void enablemenuitem(int item, bool flag);
// Adds a keyboard shortcut ("Ctrl+O", "F5") that chooses the item while it is enabled; it is
// shown beside the item's title in a drop-down menu. False for an invalid item or key text.
bool addmenushortcut(int item, std::string_view keys);
// The width the current window's menu bar needs to show every entry; 0 without a menu bar.
int getmenubarwidth();

// ---------------------------------------------------------------------------------------------
// Controls of the current window. Ids count 0, 1, 2, ... across all kinds; creation returns -1
// on failure (the id is used up all the same); operations on invalid ids do nothing.
// ---------------------------------------------------------------------------------------------

int createbutton(int x, int y, int w, int h, std::string_view text, Callback callback = {});
int createradiobutton(int x, int y, int w, int h, std::string_view text, Callback callback = {});
void beginradiogroup();
int createcheckbox(int x, int y, int w, int h, std::string_view text, Callback callback = {});
int createtextbox(int x, int y, int w, int h);
int createmultilinetextbox(int x, int y, int w, int h, bool wrap = true);

// Text boxes count and separate lines as CR+LF, so a line break is two characters.
int gettextboxlength(int id);
std::string gettextboxcontents(int id);
void settextboxcontents(int id, std::optional<std::string_view> text);
// Inserts at the caret, replacing the selection; raises the text limit when needed. Returns the
// number of characters inserted, or -1 for an invalid id. No text deletes the selection.
int inserttextboxtext(int id, std::optional<std::string_view> text, bool trim = true);
void deletetextboxselection(int id);
void settextboxcursorposition(int id, int position);
void settextboxfocused(int id);
void settextboxentercallback(int id, Callback callback);
void enabletextbox(int id, bool flag);
// A read-only text box refuses typing, pasting and undo; its text can still be selected and
// copied, and the program still changes it.
void settextboxreadonly(int id, bool flag);
void enablebutton(int id, bool flag);
void settextboxvisible(int id, bool flag);
void setbuttonvisible(int id, bool flag);
void setradiobuttonvisible(int id, bool flag);
void setcheckboxvisible(int id, bool flag);
bool radiobuttonischecked(int id);
bool checkboxischecked(int id);
// Does not clear the other buttons of the group (only a click does).
void radiobuttonsetchecked(int id, bool flag);
void checkboxsetchecked(int id, bool flag);
void setbuttontext(int id, std::string_view text);
void setradiobuttontext(int id, std::string_view text);
void setcheckboxtext(int id, std::string_view text);

struct ControlSize {
  int width = 0;
  int height = 0;
};
// The size a button, radio button or check box needs to show its whole caption in its font
// (indicator included); 0 x 0 for other ids.
ControlSize getcontrolpreferredsize(int id);
// The width a text box needs to show the text on one line without scrolling: frame, margins and
// a vertical scroll bar's room included. -1 for other ids.
int gettextboxwidthfor(int id, std::string_view text);
// Moves and resizes any control (client pixels).
void setcontrolbounds(int id, int x, int y, int w, int h);
// The push button that Return (or Enter) presses wherever the focus is in its window, drawn as
// the default; and the one that Escape presses.
void setdefaultbutton(int id);
void setcancelbutton(int id);

// ---------------------------------------------------------------------------------------------
// File dialogs. The buffer's trimmed contents are the initial name (a trailing '/' or '\' makes
// it the initial folder). True and the chosen path in the buffer when confirmed; false and the
// buffer untouched when cancelled. Pattern, description and title are cut to 64 characters.
// dlgopenfile accepts only an existing file (a pattern or a folder confirmed by Enter is not a
// choice); dlgsavefile does not ask before replacing a file.
// ---------------------------------------------------------------------------------------------

bool dlgopenfile(std::string& file_name, std::string_view pattern, std::string_view description,
                 std::string_view title);
bool dlgsavefile(std::string& file_name, std::string_view pattern, std::string_view description,
                 std::string_view title);

// A kind of file a dialog offers: "Data files" and "*.in *.IN".
struct FileType {
  std::string description;
  std::string patterns;  // blank-separated
};
// dlgopenfile offering these kinds, in this order, then "All Files" (every name).
bool dlgopenfile(std::string& file_name, const std::vector<FileType>& types,
                 std::string_view title);

// ---------------------------------------------------------------------------------------------
// Drawing on the current window's active page. Colours are red + green * 256 + blue * 65536.
// ---------------------------------------------------------------------------------------------

inline constexpr int kGraphErrorFill = -11;  // graphresult after an invalid fill pattern

int creatergb(int red, int green, int blue);
int getredvalue(int colour);
int getgreenvalue(int colour);
int getbluevalue(int colour);
void setcolor(int colour);
int getcolor();
void setbkcolor(int colour);
int getbkcolor();
// Pattern 0: background colour; 1: solid; 2..11 hatches; 12: the user pattern (solid here).
void setfillstyle(int pattern, int colour);
int graphresult();  // the last error result, cleared by reading it
void setlinestyle(int style, int pattern, int thickness);

void line(int x1, int y1, int x2, int y2);
void bar(int left, int top, int right, int bottom);
void clearviewport();
void moveto(int x, int y);
int getx();
int gety();

struct ViewSettings {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  bool clip = false;
};
void setviewport(int left, int top, int right, int bottom, bool clip);
void resetviewport();
ViewSettings getviewsettings();

// Fonts: 0 bold, 1 sans-serif, 2 serif, 3 script, 4 sans-serif bold, 5 serif bold, 6 fixed
// pitch, 7 the GUI font at this size, 8 symbols. Direction 0 horizontal, 1 vertical reading
// upward, -999 keeps it; size is the cell height in pixels. transparency: 0 opaque cells (filled
// with the background colour), 1 transparent.
void settextstyle(int font, int direction, int size,
                  std::optional<int> transparency = std::nullopt);
void setmatchthemetextstyle();
// horizontal 0 left, 1 centre, 2 right; vertical 0 bottom, 1 centre, 2 top.
void settextjustify(int horizontal, int vertical);
void settexttransparency(int transparency);
// Size of a block of lines (CR, LF or CR+LF separate them) in the current font; -1 on failure.
int textwidth(std::string_view text);
int textheight(std::string_view text);
void outtext(std::string_view text);
void outtextxy(int x, int y, std::string_view text);

// Copies a rectangle (inclusive corners, clipped to the client area) of the visual page, or of
// the active page, out of the current window. right/bottom -1 mean the client's last column/row.
PixelBuffer getpagepixels(int left = 0, int top = 0, int right = -1, int bottom = -1,
                          bool active_page = false);
// Writes that rectangle as a BMP file. Without a name a save dialog asks for one (".BMP" is
// appended to a name without a three-letter extension). False when cancelled or not written.
bool writeimagefile(std::optional<std::string_view> file_name = std::nullopt, int left = 0,
                    int top = 0, int right = -1, int bottom = -1, bool active_page = false);
// Prints the rectangle through the platform print dialog (job "Plot Window"), scaled to the page.
bool printimage(std::string_view title, int left = 0, int top = 0, int right = -1, int bottom = -1,
                bool active_page = false);

// ---------------------------------------------------------------------------------------------
// Message boxes
// ---------------------------------------------------------------------------------------------

// kind 1 "Information", 2 "Warning", 3 "Error", else "Message" without icon; one OK button.
// Blocks the caller until dismissed. An absent text shows nothing.
void dlgmessage(int kind, std::optional<std::string_view> text);
// A question with the buttons Yes and No (No the default); true for Yes. Blocks the caller.
bool dlgquestion(std::string_view title, std::string_view text);

}  // namespace wintk
