// SPDX-License-Identifier: MIT

#pragma once

// The operations beneath the wrapper layer (wintk.cc) that take strings or optional arguments.
// Strings arrive trimmed and cut as the wrapper conventions say; no Qt types appear here.

#include <optional>
#include <string>

#include "gui/wintk.h"

namespace wintk::platform {

int initwindow(int width, int height, const std::string& title, int left, int top,
               bool double_buffer, bool close_ends_program, int owner);
void setwindowtitle(const std::string& title);
int addmenu(const std::string& title, int parent);
// No title and no callback: a separator. A title without callback: the id is used up, -2.
int addmenuitem(const std::optional<std::string>& title, int menu, Callback callback);

enum class ButtonKind { kPush, kRadio, kCheck };
int create_button(ButtonKind kind, int x, int y, int w, int h, const std::string& text,
                  Callback callback);
void set_button_text(int id, const std::string& text);
std::string textbox_contents(int id);  // CR+LF line breaks
void set_textbox_contents(int id, const std::string& text);
int insert_textbox_text(int id, const std::optional<std::string>& text);

enum class FileDialogKind { kOpen, kSave };
// The chosen path, or nullopt when cancelled or the dialog could not run.
std::optional<std::string> file_dialog(FileDialogKind kind, const std::string& initial,
                                       const std::string& pattern, const std::string& description,
                                       const std::string& title, bool confirm_overwrite);

void settextstyle(int font, int direction, int size);
int textwidth(const std::string& text);
int textheight(const std::string& text);
void outtext(const std::string& text);

// Copies a rectangle of the current window's visual (or active) page, clipped to the client
// area; right/bottom -1 mean the last column/row. False when nothing is left after clipping.
bool copy_page(int left, int top, int right, int bottom, bool active_page, PixelBuffer& out);
bool writeimagefile(const std::optional<std::string>& file_name, int left, int top, int right,
                    int bottom, bool active_page);
bool printimage(const std::string& title, int left, int top, int right, int bottom,
                bool active_page);

void dlgmessage(int kind, const std::string& text);
bool dlgquestion(const std::string& title, const std::string& text);

}  // namespace wintk::platform
