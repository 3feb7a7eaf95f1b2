// SPDX-License-Identifier: MIT
// File dialogs, message boxes, saving and printing the window image. Dialogs run on the GUI
// thread while the caller waits; the installed dialog responder answers instead when there is one.
#include <QFileDialog>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "gui/bmp_file.h"
#include "gui/dialog_responder.h"
#include "gui/platform/gui_thread.h"
#include "gui/platform/platform_api.h"
#include "gui/platform/window_registry.h"
#include "gui/platform/window_widget.h"
#include "gui/text_util.h"

namespace wintk::platform {
namespace {

// The owner of a dialog: the current window if it exists, else none. Widget on the GUI thread.
std::shared_ptr<WindowRecord> owner_window() {
  return find_window(current_window_id());
}

// Shows the dialog modally above its owner's window and returns its result. GUI thread. The
// dialog is not a Qt child of the owner: the owner may be closed by another thread while the
// dialog is open (its window goes inside the dialog's own event loop), and a child would be
// deleted with it under the running dialog. As a transient window it still stays above the
// owner and is placed over it; losing the owner just leaves it on its own.
int exec_owned(QDialog& dialog, const std::shared_ptr<WindowRecord>& owner) {
  dialog.setWindowModality(Qt::ApplicationModal);
  QWidget* owner_widget = owner ? static_cast<QWidget*>(owner->widget.data()) : nullptr;
  if (owner_widget && owner_widget->windowHandle()) {
    dialog.winId();  // creates the dialog's platform window, so that it can take a parent
    dialog.windowHandle()->setTransientParent(owner_widget->windowHandle());
  }
  return dialog.exec();
}

// A message box shows the text with the line breaks it was given and no others: it is made as
// wide as the longest line unless that is wider than the screen, where wrapping is the lesser
// evil.
void keep_lines_whole(QMessageBox& box) {
  auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
  if (!label) return;
  const QFontMetrics metrics(label->font());
  int longest = 0;
  for (const QString& line : label->text().split(QLatin1Char('\n'))) {
    longest = std::max(longest, metrics.horizontalAdvance(line));
  }
  const QScreen* screen = box.screen();
  if (screen && longest > screen->availableGeometry().width() * 9 / 10) return;
  label->setWordWrap(false);
  label->setMinimumWidth(longest);
}

std::string qt_filter(const std::vector<FileType>& types) {
  std::string joined;
  for (const auto& type : types) {
    if (!joined.empty()) joined += ";;";
    joined += type.description + " (" + type.patterns + ")";
  }
  return joined;
}

QImage to_qimage(const PixelBuffer& pixels) {
  QImage image(pixels.width, pixels.height, QImage::Format_RGB32);
  for (int y = 0; y < pixels.height; ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < pixels.width; ++x) {
      // Each channel is a byte, so it is exact as an int.
      const std::uint32_t c = pixels.at(x, y);
      row[x] = qRgb(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                    static_cast<int>((c >> 16) & 0xFF));
    }
  }
  return image;
}

// Scales the image to the printer's page keeping its proportions. GUI or any thread.
bool print_to(QPrinter& printer, const QImage& image) {
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  const QRect page = painter.viewport();
  const QSize size = image.size().scaled(page.size(), Qt::KeepAspectRatio);
  painter.drawImage(QRect(page.topLeft(), size), image);
  return painter.end();
}

constexpr const char* kPrintJobName = "Plot Window";

// What an open dialog may return: an existing file (following links), not a folder, a pattern
// or a name that is not there.
std::optional<std::string> existing_file(const std::optional<std::string>& chosen) {
  std::error_code error;
  if (chosen && std::filesystem::is_regular_file(*chosen, error)) return chosen;
  return std::nullopt;
}

}  // namespace

std::vector<FileType> file_types(const std::string& pattern, const std::string& description) {
  std::vector<FileType> types;
  for (const auto& filter : text::build_file_filters(pattern, description)) {
    types.push_back({filter.name, filter.pattern});
  }
  return types;
}

std::optional<std::string> file_dialog(FileDialogKind kind, const std::string& initial,
                                       const std::vector<FileType>& types, const std::string& title,
                                       bool confirm_overwrite) {
  const auto owner = owner_window();
  const text::InitialFile start = text::split_initial_file(initial);
  DialogRequest request;
  request.kind = kind == FileDialogKind::kOpen ? DialogKind::kOpenFile : DialogKind::kSaveFile;
  request.title = title;
  request.owner_window = owner ? owner->id : kNoWindow;
  request.filter = qt_filter(types);
  request.initial_folder = start.folder;
  request.initial_name = start.name;
  std::optional<std::string> chosen;
  DialogAnswer answer;
  if (answer_with_responder(request, answer)) {
    if (answer.accepted) chosen = answer.path;
    return kind == FileDialogKind::kOpen ? existing_file(chosen) : chosen;
  }
  call_on_gui_thread([&] {
    QFileDialog dialog(nullptr, QString::fromStdString(title), QString::fromStdString(start.folder),
                       QString::fromStdString(request.filter));
    dialog.setAcceptMode(kind == FileDialogKind::kOpen ? QFileDialog::AcceptOpen
                                                       : QFileDialog::AcceptSave);
    dialog.setFileMode(kind == FileDialogKind::kOpen ? QFileDialog::ExistingFile
                                                     : QFileDialog::AnyFile);
    if (!confirm_overwrite) dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!start.name.empty()) dialog.selectFile(QString::fromStdString(start.name));
    if (exec_owned(dialog, owner) == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
      chosen = dialog.selectedFiles().front().toStdString();
    }
  });
  return kind == FileDialogKind::kOpen ? existing_file(chosen) : chosen;
}

void dlgmessage(int kind, const std::string& text) {
  static constexpr const char* kTitles[] = {"Message", "Information", "Warning", "Error"};
  const int index = kind >= 1 && kind <= 3 ? kind : 0;
  const MessageIcon icon = static_cast<MessageIcon>(index);
  const auto owner = owner_window();
  DialogRequest request;
  request.kind = DialogKind::kMessage;
  request.title = kTitles[index];
  request.text = text;
  request.icon = icon;
  request.message_kind = kind;
  request.owner_window = owner ? owner->id : kNoWindow;
  DialogAnswer answer;
  if (answer_with_responder(request, answer)) return;
  const bool shown = call_on_gui_thread([&] {
    static constexpr QMessageBox::Icon kIcons[] = {QMessageBox::NoIcon, QMessageBox::Information,
                                                   QMessageBox::Warning, QMessageBox::Critical};
    QMessageBox box(kIcons[index], QString::fromLatin1(kTitles[index]),
                    QString::fromStdString(text::to_lf(text)), QMessageBox::Ok);
    keep_lines_whole(box);
    exec_owned(box, owner);
  });
  // Without the event loop there is no one to show it; the text must not be lost.
  if (!shown) std::fprintf(stderr, "%s: %s\n", kTitles[index], text.c_str());
}

bool dlgquestion(const std::string& title, const std::string& text) {
  const auto owner = owner_window();
  DialogRequest request;
  request.kind = DialogKind::kQuestion;
  request.title = title;
  request.text = text;
  request.owner_window = owner ? owner->id : kNoWindow;
  DialogAnswer answer;
  if (answer_with_responder(request, answer)) return answer.accepted;
  bool yes = false;
  call_on_gui_thread([&] {
    QMessageBox box(QMessageBox::Question, QString::fromStdString(title),
                    QString::fromStdString(text::to_lf(text)), QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    keep_lines_whole(box);
    yes = exec_owned(box, owner) == QMessageBox::Yes;
  });
  return yes;
}

bool writeimagefile(const std::optional<std::string>& file_name, int left, int top, int right,
                    int bottom, bool active_page) {
  if (!current_window()) return false;  // no page to save: no dialog either
  std::string path;
  if (file_name) {
    path = *file_name;
  } else {
    const auto chosen = file_dialog(FileDialogKind::kSave, "",
                                    file_types("*.BMP", "Bitmap files (*.bmp)"), "Save As", true);
    if (!chosen) return false;
    path = *chosen;
    if (!text::has_three_letter_extension(path)) path += ".BMP";
  }
  if (path.empty()) return false;
  PixelBuffer pixels;
  if (!copy_page(left, top, right, bottom, active_page, pixels)) return false;
  std::string error;
  if (bmp::write_bmp(path, pixels, &error)) return true;
  // The user who chose the name in the dialog learns why nothing was saved; a caller that gave
  // the name gets the result.
  if (!file_name) dlgmessage(2, error);  // Warning
  return false;
}

bool printimage(const std::string& title, int left, int top, int right, int bottom,
                bool active_page) {
  PixelBuffer pixels;
  if (!copy_page(left, top, right, bottom, active_page, pixels)) return false;
  const QImage image = to_qimage(pixels);
  const auto owner = owner_window();
  DialogRequest request;
  request.kind = DialogKind::kPrint;
  request.title = title;
  request.owner_window = owner ? owner->id : kNoWindow;
  request.initial_name = kPrintJobName;
  DialogAnswer answer;
  if (answer_with_responder(request, answer)) {
    if (!answer.accepted) return false;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QString::fromLatin1(kPrintJobName));
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(answer.path));
    return print_to(printer, image);
  }
  bool printed = false;
  call_on_gui_thread([&] {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QString::fromLatin1(kPrintJobName));
    QPrintDialog dialog(&printer);
    dialog.setWindowTitle(QString::fromStdString(title));
    if (exec_owned(dialog, owner) == QDialog::Accepted) printed = print_to(printer, image);
  });
  return printed;
}

}  // namespace wintk::platform
