// SPDX-License-Identifier: MIT
// The wrapper layer: trims string arguments of trailing blanks, cuts them to their limits,
// supplies optional arguments and remembers initwindow's flags, then calls the platform layer.
#include "gui/wintk.h"

#include <mutex>

#include "gui/platform/platform_api.h"
#include "gui/text_util.h"

namespace wintk {
namespace {

using text::trim_trailing_blanks;

constexpr std::size_t kTitleLength = 255;
constexpr std::size_t kDialogFieldLength = 64;

std::string trimmed(std::string_view text) {
  return std::string(trim_trailing_blanks(text));
}

std::optional<std::string> trimmed_optional(std::optional<std::string_view> text) {
  if (!text) return std::nullopt;
  return trimmed(*text);
}

// initwindow's flags: a value given explicitly is used for later calls that omit it.
struct WindowDefaults {
  std::mutex mutex;
  bool double_buffer = false;
  bool close_ends_program = true;
};

WindowDefaults& window_defaults() {
  static WindowDefaults instance;
  return instance;
}

bool file_dialog(platform::FileDialogKind kind, std::string& file_name, std::string_view pattern,
                 std::string_view description, std::string_view title) {
  const auto chosen = platform::file_dialog(
      kind, trimmed(file_name), text::trimmed_and_cut(pattern, kDialogFieldLength),
      text::trimmed_and_cut(description, kDialogFieldLength),
      text::trimmed_and_cut(title, kDialogFieldLength), false);
  if (!chosen) return false;
  file_name = *chosen;
  return true;
}

}  // namespace

int initwindow(int width, int height, std::optional<std::string_view> title, int left, int top,
               std::optional<bool> double_buffer, std::optional<bool> close_ends_program,
               int owner) {
  bool use_double_buffer = false;
  bool use_close_ends_program = true;
  {
    auto& defaults = window_defaults();
    const std::lock_guard lock(defaults.mutex);
    if (double_buffer) defaults.double_buffer = *double_buffer;
    if (close_ends_program) defaults.close_ends_program = *close_ends_program;
    use_double_buffer = defaults.double_buffer;
    use_close_ends_program = defaults.close_ends_program;
  }
  const std::string cut_title = title ? text::trimmed_and_cut(*title, kTitleLength) : "";
  const int id = platform::initwindow(width, height, cut_title, left, top, use_double_buffer,
                                      use_close_ends_program, owner);
  if (id >= 0) setcurrentwindow(id);
  return id;
}

void setwindowtitle(std::string_view title) {
  platform::setwindowtitle(trimmed(title));
}

int addmenu(std::string_view title, int parent) {
  return platform::addmenu(trimmed(title), parent);
}

int addmenuitem(std::optional<std::string_view> title, int menu, Callback callback) {
  return platform::addmenuitem(trimmed_optional(title), menu, std::move(callback));
}

int addmenuseparator(int menu) {
  return platform::addmenuitem(std::nullopt, menu, {});
}

int createbutton(int x, int y, int w, int h, std::string_view text, Callback callback) {
  return platform::create_button(platform::ButtonKind::kPush, x, y, w, h, trimmed(text),
                                 std::move(callback));
}

int createradiobutton(int x, int y, int w, int h, std::string_view text, Callback callback) {
  return platform::create_button(platform::ButtonKind::kRadio, x, y, w, h, trimmed(text),
                                 std::move(callback));
}

int createcheckbox(int x, int y, int w, int h, std::string_view text, Callback callback) {
  return platform::create_button(platform::ButtonKind::kCheck, x, y, w, h, trimmed(text),
                                 std::move(callback));
}

std::string gettextboxcontents(int id) {
  return platform::textbox_contents(id);
}

void settextboxcontents(int id, std::optional<std::string_view> text) {
  platform::set_textbox_contents(id, text ? trimmed(*text) : std::string());
}

int inserttextboxtext(int id, std::optional<std::string_view> text, bool trim) {
  if (!text) return platform::insert_textbox_text(id, std::nullopt);
  return platform::insert_textbox_text(id, trim ? trimmed(*text) : std::string(*text));
}

void setbuttontext(int id, std::string_view text) {
  platform::set_button_text(id, trimmed(text));
}
void setradiobuttontext(int id, std::string_view text) {
  platform::set_button_text(id, trimmed(text));
}
void setcheckboxtext(int id, std::string_view text) {
  platform::set_button_text(id, trimmed(text));
}

bool dlgopenfile(std::string& file_name, std::string_view pattern, std::string_view description,
                 std::string_view title) {
  return file_dialog(platform::FileDialogKind::kOpen, file_name, pattern, description, title);
}

bool dlgsavefile(std::string& file_name, std::string_view pattern, std::string_view description,
                 std::string_view title) {
  return file_dialog(platform::FileDialogKind::kSave, file_name, pattern, description, title);
}

void settextstyle(int font, int direction, int size, std::optional<int> transparency) {
  platform::settextstyle(font, direction, size);
  if (transparency) settexttransparency(*transparency);
}

int textwidth(std::string_view text) {
  return platform::textwidth(trimmed(text));
}
int textheight(std::string_view text) {
  return platform::textheight(trimmed(text));
}
void outtext(std::string_view text) {
  platform::outtext(trimmed(text));
}

void outtextxy(int x, int y, std::string_view text) {
  moveto(x, y);
  platform::outtext(trimmed(text));
}

bool writeimagefile(std::optional<std::string_view> file_name, int left, int top, int right,
                    int bottom, bool active_page) {
  return platform::writeimagefile(trimmed_optional(file_name), left, top, right, bottom,
                                  active_page);
}

bool printimage(std::string_view title, int left, int top, int right, int bottom,
                bool active_page) {
  return platform::printimage(trimmed(title), left, top, right, bottom, active_page);
}

void dlgmessage(int kind, std::optional<std::string_view> text) {
  if (!text) return;
  platform::dlgmessage(kind, trimmed(*text));
}

bool dlgquestion(std::string_view title, std::string_view text) {
  return platform::dlgquestion(trimmed(title), trimmed(text));
}

}  // namespace wintk
