// SPDX-License-Identifier: MIT
// Child controls of a window. The control table lives on the GUI thread only; every operation
// is carried out there while the caller waits, which also serialises them.
#include <QAbstractButton>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>

#include "gui/platform/callback_threads.h"
#include "gui/platform/gui_thread.h"
#include "gui/platform/platform_api.h"
#include "gui/platform/window_registry.h"
#include "gui/platform/window_widget.h"
#include "gui/text_util.h"

namespace wintk::platform {
namespace {

// The classic edit control's default text limit; multi-line boxes start with five times it.
constexpr long long kDefaultTextLimit = 32767;
constexpr long long kMultiLineTextLimit = 5 * kDefaultTextLimit;
// Room added beyond an insertion that would pass the limit.
constexpr long long kLimitHeadroom = 256;

enum class Family { kButtons, kTextBoxes };

bool in_family(ControlKind kind, Family family) {
  const bool text_box = kind == ControlKind::kTextBox || kind == ControlKind::kMultiLineTextBox;
  return (family == Family::kTextBoxes) == text_box;
}

QFont control_font(WindowRecord& window) {
  const std::lock_guard lock(window.draw_mutex);
  return window.state.qfont;
}

int horizontal_justification(WindowRecord& window) {
  const std::lock_guard lock(window.draw_mutex);
  return window.state.hjustify;
}

// Runs fn(entry) on the GUI thread for a control of the current window of the given family.
// Invalid ids, failed creations and controls of another family are ignored.
template <typename Fn>
void with_control(int id, Family family, Fn&& fn) {
  const auto window = current_window();
  call_on_gui_thread([&] {
    if (id < 0 || id >= static_cast<int>(window->controls.size())) return;
    ControlEntry& entry = window->controls[static_cast<std::size_t>(id)];
    if (!entry.widget || !in_family(entry.kind, family)) return;
    fn(entry);
  });
}

// Appends a control (null widget: failed creation) and returns its id. GUI thread.
int add_control(WindowRecord& window, ControlEntry entry) {
  window.controls.push_back(std::move(entry));
  return static_cast<int>(window.controls.size()) - 1;
}

// A user click on a radio button checks it and clears the other buttons of its group.
void radio_clicked(WindowRecord& window, int id) {
  const ControlEntry& clicked = window.controls[static_cast<std::size_t>(id)];
  for (ControlEntry& other : window.controls) {
    if (other.kind == ControlKind::kRadioButton && other.radio_group == clicked.radio_group &&
        other.widget) {
      static_cast<QAbstractButton*>(other.widget.data())->setChecked(&other == &clicked);
    }
  }
}

void on_click(const std::weak_ptr<WindowRecord>& weak, int id) {
  const auto window = weak.lock();
  if (!window || id >= static_cast<int>(window->controls.size())) return;
  if (window->controls[static_cast<std::size_t>(id)].kind == ControlKind::kRadioButton) {
    radio_clicked(*window, id);
  }
  start_callback_thread(window, window->controls[static_cast<std::size_t>(id)].callback);
}

QString to_qstring_lf(const std::string& text) {
  return QString::fromStdString(text::to_lf(text));
}

// Length in the CR+LF convention: each line break counts two.
// The same for a whole document without copying its text: every block but the last ends in a
// break, and characterCount counts one separator per block.
int crlf_length(const QTextDocument& document) {
  return document.characterCount() - 1 + document.blockCount() - 1;
}

int crlf_length(const QString& lf_text) {
  return static_cast<int>(lf_text.size() + lf_text.count(QLatin1Char('\n')));
}

}  // namespace

int create_button(ButtonKind kind, int x, int y, int w, int h, const std::string& text,
                  Callback callback) {
  const auto window = current_window();
  int id = -1;
  bool created = false;
  call_on_gui_thread([&] {
    ControlEntry entry;
    entry.callback = std::move(callback);
    entry.kind = kind == ButtonKind::kPush    ? ControlKind::kButton
                 : kind == ButtonKind::kRadio ? ControlKind::kRadioButton
                                              : ControlKind::kCheckBox;
    const int next_id = static_cast<int>(window->controls.size());
    if (window->widget) {
      QWidget* client = window->widget->client();
      const QString caption = QString::fromStdString(text);
      QAbstractButton* button = nullptr;
      if (kind == ButtonKind::kPush) {
        button = make_child<QPushButton>(caption, client);
      } else if (kind == ButtonKind::kRadio) {
        button = make_child<QRadioButton>(caption, client);
        // Groups are ours (a programmatic check must not clear the others), not Qt's.
        button->setAutoExclusive(false);
        if (window->begin_radio_group) ++window->radio_group_count;
        window->begin_radio_group = false;
        entry.radio_group = window->radio_group_count;
      } else {
        button = make_child<QCheckBox>(caption, client);
      }
      button->setGeometry(x, y, w, h);
      button->setFont(control_font(*window));
      QObject::connect(
          button, &QAbstractButton::clicked, button,
          [weak = std::weak_ptr<WindowRecord>(window), next_id] { on_click(weak, next_id); });
      button->show();
      entry.widget = button;
      created = true;
    }
    id = add_control(*window, std::move(entry));
  });
  return created ? id : -1;
}

void set_button_text(int id, const std::string& text) {
  with_control(id, Family::kButtons, [&](ControlEntry& entry) {
    static_cast<QAbstractButton*>(entry.widget.data())->setText(QString::fromStdString(text));
  });
}

std::string textbox_contents(int id) {
  std::string contents;
  with_control(id, Family::kTextBoxes, [&](ControlEntry& entry) {
    if (auto* edit = qobject_cast<QPlainTextEdit*>(entry.widget)) {
      contents = text::to_crlf(edit->toPlainText().toStdString());
    } else if (auto* line = qobject_cast<QLineEdit*>(entry.widget)) {
      contents = line->text().toStdString();
    }
  });
  return contents;
}

void set_textbox_contents(int id, const std::string& text) {
  with_control(id, Family::kTextBoxes, [&](ControlEntry& entry) {
    if (auto* edit = qobject_cast<QPlainTextEdit*>(entry.widget)) {
      edit->setPlainText(to_qstring_lf(text));
    } else if (auto* line = qobject_cast<QLineEdit*>(entry.widget)) {
      line->setText(QString::fromStdString(text));
    }
  });
}

int insert_textbox_text(int id, const std::optional<std::string>& text) {
  int inserted = -1;
  with_control(id, Family::kTextBoxes, [&](ControlEntry& entry) {
    const QString addition = text ? to_qstring_lf(*text) : QString();
    if (auto* edit = qobject_cast<QPlainTextEdit*>(entry.widget)) {
      QTextCursor cursor = edit->textCursor();
      const long long needed = crlf_length(*edit->document()) + crlf_length(addition);
      if (needed > entry.text_limit) entry.text_limit = needed + kLimitHeadroom;
      // One edit block: a single undo step, as the platform's replace-selection is.
      cursor.beginEditBlock();
      cursor.insertText(addition);
      cursor.endEditBlock();
      edit->setTextCursor(cursor);
      edit->ensureCursorVisible();
    } else if (auto* line = qobject_cast<QLineEdit*>(entry.widget)) {
      const long long needed = line->text().size() + addition.size();
      if (needed > line->maxLength()) line->setMaxLength(static_cast<int>(needed + kLimitHeadroom));
      line->insert(addition);
      entry.text_limit = line->maxLength();
    }
    inserted = crlf_length(addition);
  });
  return inserted;
}

}  // namespace wintk::platform

namespace wintk {

using namespace platform;

void beginradiogroup() {
  const auto window = current_window();
  call_on_gui_thread([&] { window->begin_radio_group = true; });
}

namespace {

int create_text_box(int x, int y, int w, int h, bool multi_line, bool wrap) {
  const auto window = current_window();
  int id = -1;
  bool created = false;
  call_on_gui_thread([&] {
    ControlEntry entry;
    entry.kind = multi_line ? ControlKind::kMultiLineTextBox : ControlKind::kTextBox;
    const int next_id = static_cast<int>(window->controls.size());
    if (window->widget) {
      QWidget* client = window->widget->client();
      const int justify = horizontal_justification(*window);
      const Qt::Alignment alignment = justify == 1   ? Qt::AlignHCenter
                                      : justify == 2 ? Qt::AlignRight
                                                     : Qt::AlignLeft;
      QWidget* widget = nullptr;
      if (multi_line) {
        auto* edit = make_child<QPlainTextEdit>(client);
        edit->setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
        edit->setHorizontalScrollBarPolicy(wrap ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
        QTextOption option = edit->document()->defaultTextOption();
        option.setAlignment(alignment);
        edit->document()->setDefaultTextOption(option);
        entry.text_limit = kMultiLineTextLimit;
        widget = edit;
      } else {
        auto* line = make_child<QLineEdit>(client);
        line->setAlignment(alignment | Qt::AlignVCenter);
        line->setMaxLength(static_cast<int>(kDefaultTextLimit));
        entry.text_limit = kDefaultTextLimit;
        // Enter runs the Enter callback instead of being inserted.
        QObject::connect(line, &QLineEdit::returnPressed, line,
                         [weak = std::weak_ptr<WindowRecord>(window), next_id] {
                           const auto owner = weak.lock();
                           if (!owner) return;
                           start_callback_thread(
                               owner, owner->controls[static_cast<std::size_t>(next_id)].callback);
                         });
        widget = line;
      }
      widget->setGeometry(x, y, w, h);
      widget->setFont(control_font(*window));
      widget->show();
      entry.widget = widget;
      created = true;
    }
    window->controls.push_back(std::move(entry));
    id = static_cast<int>(window->controls.size()) - 1;
  });
  return created ? id : -1;
}

void set_visible(int id, Family family, bool flag) {
  with_control(id, family, [&](ControlEntry& entry) { entry.widget->setVisible(flag); });
}

void set_enabled(int id, Family family, bool flag) {
  with_control(id, family, [&](ControlEntry& entry) { entry.widget->setEnabled(flag); });
}

bool is_checked(int id) {
  bool checked = false;
  with_control(id, Family::kButtons, [&](ControlEntry& entry) {
    checked = static_cast<QAbstractButton*>(entry.widget.data())->isChecked();
  });
  return checked;
}

void set_checked(int id, bool flag) {
  with_control(id, Family::kButtons, [&](ControlEntry& entry) {
    static_cast<QAbstractButton*>(entry.widget.data())->setChecked(flag);
  });
}

}  // namespace

int createtextbox(int x, int y, int w, int h) {
  return create_text_box(x, y, w, h, false, false);
}

int createmultilinetextbox(int x, int y, int w, int h, bool wrap) {
  return create_text_box(x, y, w, h, true, wrap);
}

int gettextboxlength(int id) {
  int length = -1;
  with_control(id, Family::kTextBoxes, [&](ControlEntry& entry) {
    if (auto* edit = qobject_cast<QPlainTextEdit*>(entry.widget)) {
      length = crlf_length(*edit->document());
    } else if (auto* line = qobject_cast<QLineEdit*>(entry.widget)) {
      length = static_cast<int>(line->text().size());
    }
  });
  return length;
}

void deletetextboxselection(int id) {
  with_control(id, Family::kTextBoxes, [&](ControlEntry& entry) {
    if (auto* edit = qobject_cast<QPlainTextEdit*>(entry.widget)) {
      edit->textCursor().removeSelectedText();
    } else if (auto* line = qobject_cast<QLineEdit*>(entry.widget)) {
      line->del();
    }
  });
}

void settextboxcursorposition(int id, int position) {
  with_control(id, Family::kTextBoxes, [&](ControlEntry& entry) {
    if (auto* edit = qobject_cast<QPlainTextEdit*>(entry.widget)) {
      QTextCursor cursor = edit->textCursor();
      cursor.setPosition(text::crlf_position_to_lf(edit->toPlainText(), std::max(position, 0)));
      edit->setTextCursor(cursor);
      edit->ensureCursorVisible();
    } else if (auto* line = qobject_cast<QLineEdit*>(entry.widget)) {
      line->setCursorPosition(position);
    }
  });
}

void settextboxfocused(int id) {
  with_control(id, Family::kTextBoxes, [&](ControlEntry& entry) { entry.widget->setFocus(); });
}

void settextboxentercallback(int id, Callback callback) {
  with_control(id, Family::kTextBoxes, [&](ControlEntry& entry) {
    if (entry.kind == ControlKind::kTextBox) entry.callback = std::move(callback);
  });
}

void enabletextbox(int id, bool flag) {
  set_enabled(id, Family::kTextBoxes, flag);
}
void settextboxreadonly(int id, bool flag) {
  with_control(id, Family::kTextBoxes, [&](ControlEntry& entry) {
    if (auto* edit = qobject_cast<QPlainTextEdit*>(entry.widget)) {
      edit->setReadOnly(flag);
      // Read-only boxes select with the mouse only by default; the keyboard (Ctrl+A, Ctrl+C,
      // shift and the arrows) keeps working too.
      if (flag) {
        edit->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
      }
    } else if (auto* line = qobject_cast<QLineEdit*>(entry.widget)) {
      line->setReadOnly(flag);
    }
  });
}

void enablebutton(int id, bool flag) {
  set_enabled(id, Family::kButtons, flag);
}
void settextboxvisible(int id, bool flag) {
  set_visible(id, Family::kTextBoxes, flag);
}
void setbuttonvisible(int id, bool flag) {
  set_visible(id, Family::kButtons, flag);
}
void setradiobuttonvisible(int id, bool flag) {
  set_visible(id, Family::kButtons, flag);
}
void setcheckboxvisible(int id, bool flag) {
  set_visible(id, Family::kButtons, flag);
}
bool radiobuttonischecked(int id) {
  return is_checked(id);
}
bool checkboxischecked(int id) {
  return is_checked(id);
}
void radiobuttonsetchecked(int id, bool flag) {
  set_checked(id, flag);
}
void checkboxsetchecked(int id, bool flag) {
  set_checked(id, flag);
}

}  // namespace wintk
