// SPDX-License-Identifier: MIT

#include "gui/platform/fonts.h"

#include <QApplication>
#include <QFontDatabase>

namespace wintk::platform {
namespace {

// Families of the Linux desktop standing in for the Windows ones; fontconfig substitutes where
// one is missing, and the style hint steers that choice.
QFont family_font(const char* family, QFont::StyleHint hint, QFont::Weight weight, int size) {
  QFont font{QString::fromLatin1(family)};
  font.setStyleHint(hint);
  font.setWeight(weight);
  font.setPixelSize(std::max(size, 1));
  return font;
}

}  // namespace

QFont make_font(int font, int size) {
  switch (font) {
    case kThemeFont:
      return QApplication::font();
    case 1:
      return family_font("DejaVu Sans", QFont::SansSerif, QFont::Normal, size);
    case 2:
      return family_font("DejaVu Serif", QFont::Serif, QFont::Normal, size);
    case 3:
      return family_font("URW Chancery L", QFont::Cursive, QFont::Normal, size);
    case 4:
      return family_font("DejaVu Sans", QFont::SansSerif, QFont::Bold, size);
    case 5:
      return family_font("DejaVu Serif", QFont::Serif, QFont::Bold, size);
    case 6: {
      QFont fixed = family_font("DejaVu Sans Mono", QFont::TypeWriter, QFont::Normal, size);
      fixed.setFixedPitch(true);
      return fixed;
    }
    case 7: {
      QFont gui = QApplication::font();
      gui.setPixelSize(std::max(size, 1));
      return gui;
    }
    case 8:
      return family_font("Wingdings", QFont::AnyStyle, QFont::Normal, size);
    default:
      return family_font("DejaVu Sans", QFont::AnyStyle, QFont::Bold, size);
  }
}

}  // namespace wintk::platform
