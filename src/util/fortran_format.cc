// SPDX-License-Identifier: MIT

#include "util/fortran_format.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "util/edit_descriptors.h"

namespace velmor::util {
namespace {

// [SECTION] Parsing

constexpr int kMaxNumber = 10000;  // largest count, width or repeat accepted in a format
constexpr int kMaxDepth = 32;      // deepest nesting of parenthesised groups

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}
char upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

EditItem counted(EditKind kind, int count) {
  EditItem item;
  item.kind = kind;
  item.count = count;
  return item;
}

EditItem repeated(EditKind kind, int repeat) {
  EditItem item;
  item.kind = kind;
  item.repeat = repeat;
  return item;
}

EditItem literal(std::string text) {
  EditItem item;
  item.kind = EditKind::kLiteral;
  item.text = std::move(text);
  return item;
}

// Recursive-descent reader of a format text. Blanks are insignificant except inside quoted and
// Hollerith pieces, so every look-ahead skips them.
class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  std::vector<EditItem> parse() {
    std::vector<EditItem> items;
    if (peek() != '(') fail("a format must begin with '('");
    ++pos_;
    parse_list(items, 1);
    if (peek() != '\0') fail("unexpected text after the closing ')'");
    return items;
  }

 private:
  [[noreturn]] void fail(std::string_view what) const {
    throw std::invalid_argument("invalid format \"" + std::string(text_) + "\": " +
                                std::string(what) + " (column " + std::to_string(pos_ + 1) + ")");
  }

  // The next non-blank character ('\0' at the end), leaving pos_ on it.
  char peek() {
    while (pos_ < text_.size() && text_[pos_] == ' ') ++pos_;
    return pos_ < text_.size() ? text_[pos_] : '\0';
  }

  char take() {
    const char c = peek();
    if (c == '\0') fail("unexpected end of the format");
    ++pos_;
    return c;
  }

  // Unsigned decimal number; blanks between its digits are ignored, as everywhere in a format.
  int number(std::string_view what) {
    if (!is_digit(peek())) fail(std::string(what) + " expected");
    int value = 0;
    while (is_digit(peek())) {
      value = value * 10 + (text_[pos_] - '0');
      if (value > kMaxNumber) fail("number larger than " + std::to_string(kMaxNumber));
      ++pos_;
    }
    return value;
  }

  void expect(char c, std::string_view what) {
    if (peek() != c) fail(what);
    ++pos_;
  }

  // Items up to and including the ')' that closes the group opened just before.
  void parse_list(std::vector<EditItem>& items, int depth) {
    if (depth > kMaxDepth) fail("groups nested too deeply");
    bool expect_item = true;  // at the start of the list or just after a comma
    bool after_comma = false;
    for (;;) {
      const char c = peek();
      if (c == '\0') fail("missing ')'");
      if (c == ')') {
        if (after_comma) fail("',' before ')'");
        ++pos_;
        return;
      }
      if (c == ',') {
        if (expect_item) fail("unexpected ','");
        ++pos_;
        expect_item = after_comma = true;
        continue;
      }
      parse_item(items, depth);
      expect_item = after_comma = false;
    }
  }

  void parse_item(std::vector<EditItem>& items, int depth) {
    int count = -1;  // leading number: a repeat, the X count or the Hollerith length
    if (is_digit(peek())) {
      count = number("number");
      const char c = upper(peek());
      if (c == 'H') {
        ++pos_;
        parse_hollerith(items, count);
        return;
      }
      if (c == 'X') {
        ++pos_;
        if (count < 1) fail("nX needs a positive n");
        items.push_back(counted(EditKind::kSkip, count));
        return;
      }
      if (count < 1) fail("a repeat count must be positive");
    }
    const int repeat = count > 0 ? count : 1;
    const char c = upper(peek());
    switch (c) {
      case '(': {
        ++pos_;
        const std::size_t open = items.size();
        items.push_back(repeated(EditKind::kGroupOpen, repeat));
        parse_list(items, depth + 1);
        items.push_back(counted(EditKind::kGroupClose, 0));
        items.back().partner = open;
        items[open].partner = items.size() - 1;
        return;
      }
      case '/':
        ++pos_;
        items.push_back(repeated(EditKind::kSlash, repeat));
        return;
      case ':':
      case '\'':
      case '"':
      case 'X':
      case 'T':
        if (count > 0) fail("a repeat count cannot stand before this item");
        parse_control(items, c);
        return;
      case 'I':
      case 'F':
      case 'E':
      case 'D':
      case 'A':
        ++pos_;
        parse_data(items, c, repeat);
        return;
      case '\0':
        fail("unexpected end of the format");
      default:
        fail(std::string("unknown edit descriptor '") + text_[pos_] + "'");
    }
  }

  void parse_hollerith(std::vector<EditItem>& items, int length) {
    if (length < 1) fail("nH needs a positive n");
    if (text_.size() - pos_ < static_cast<std::size_t>(length)) {
      fail("Hollerith piece runs past the end");
    }
    items.push_back(literal(std::string(text_.substr(pos_, static_cast<std::size_t>(length)))));
    pos_ += static_cast<std::size_t>(length);
  }

  void parse_control(std::vector<EditItem>& items, char c) {
    ++pos_;
    if (c == ':') {
      items.push_back(counted(EditKind::kColon, 0));
    } else if (c == 'X') {
      items.push_back(counted(EditKind::kSkip, 1));
    } else if (c == 'T') {
      const char next = upper(peek());
      EditKind kind = EditKind::kTab;
      if (next == 'L' || next == 'R') {
        ++pos_;
        kind = next == 'L' ? EditKind::kTabLeft : EditKind::kSkip;
      }
      const int n = number("tab position");
      if (n < 1) fail("a tab needs a positive position");
      items.push_back(counted(kind, n));
    } else {
      // Quoted piece, read raw: a doubled delimiter stands for the delimiter itself.
      std::string text;
      for (;;) {
        if (pos_ >= text_.size()) fail("unterminated quoted piece");
        const char ch = text_[pos_++];
        if (ch == c) {
          if (pos_ < text_.size() && text_[pos_] == c) {
            text.push_back(c);
            ++pos_;
            continue;
          }
          break;
        }
        text.push_back(ch);
      }
      items.push_back(literal(std::move(text)));
    }
  }

  void parse_data(std::vector<EditItem>& items, char letter, int repeat) {
    EditItem item = repeated(EditKind::kText, repeat);
    switch (letter) {
      case 'A':
        item.kind = EditKind::kText;
        item.width = -1;
        if (is_digit(peek())) {
          item.width = number("width");
          if (item.width < 1) fail("Aw needs a positive w");
        }
        break;
      case 'I':
        item.kind = EditKind::kInteger;
        item.width = number("width of I");
        item.digits = -1;
        if (peek() == '.') {
          ++pos_;
          item.digits = number("minimum digits of Iw.m");
          if (item.width > 0 && item.digits > item.width) fail("Iw.m needs m <= w");
        }
        break;
      case 'F':
        item.kind = EditKind::kFixed;
        item.width = number("width of F");
        expect('.', "Fw.d needs '.d'");
        item.digits = number("decimals of F");
        break;
      default:  // 'E' or 'D'
        item.kind = EditKind::kExponential;
        item.letter = letter;
        item.width = number("width of E");
        if (item.width < 1) fail("Ew.d needs a positive w");
        expect('.', "Ew.d needs '.d'");
        item.digits = number("decimals of E");
        if (item.digits < 1) fail("Ew.d needs a positive d");
        if (upper(peek()) == 'E') {
          const std::size_t at = pos_;
          ++pos_;
          if (is_digit(peek())) {
            item.exponent_digits = number("exponent digits");
            if (item.exponent_digits < 1) fail("Ew.dEe needs a positive e");
          } else {
            pos_ = at;  // the E starts the next item (comma left out)
          }
        }
        break;
    }
    items.push_back(std::move(item));
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

bool is_data(EditKind kind) {
  return kind == EditKind::kInteger || kind == EditKind::kFixed || kind == EditKind::kExponential ||
         kind == EditKind::kText;
}

std::string describe(const EditItem& item) {
  switch (item.kind) {
    case EditKind::kInteger:
      return "I" + std::to_string(item.width) +
             (item.digits >= 0 ? "." + std::to_string(item.digits) : "");
    case EditKind::kFixed:
      return "F" + std::to_string(item.width) + "." + std::to_string(item.digits);
    case EditKind::kExponential:
      return item.letter + std::to_string(item.width) + "." + std::to_string(item.digits);
    default:
      return item.width > 0 ? "A" + std::to_string(item.width) : "A";
  }
}

const char* type_name(const FortranValue& value) {
  if (std::holds_alternative<int>(value)) return "an integer";
  if (std::holds_alternative<double>(value)) return "a real";
  return "a text";
}

// [SECTION] Writing

// One record being built: text lands at the current column, overwriting what a move to the left
// went back over; moves to the right only take effect when something is written beyond them.
class Record {
 public:
  void put(std::string_view text) {
    if (column_ > line_.size()) line_.resize(column_, ' ');
    line_.replace(column_, std::min(text.size(), line_.size() - column_), text);
    column_ += text.size();
  }
  void skip(int n) { column_ += static_cast<std::size_t>(n); }
  void tab(int column) { column_ = static_cast<std::size_t>(column - 1); }
  void tab_left(int n) {
    const auto back = static_cast<std::size_t>(n);
    column_ = column_ > back ? column_ - back : 0;
  }
  void end(std::string& out) {
    out += line_;
    out += '\n';
    line_.clear();
    column_ = 0;
  }

 private:
  std::string line_;
  std::size_t column_ = 0;  // 0-based
};

}  // namespace

FortranFormat::FortranFormat(std::string_view text) : source_(text) {
  items_ = Parser(text).parse();
  // Reversion point: the last group opened directly inside the outer parentheses.
  int depth = 0;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (items_[i].kind == EditKind::kGroupOpen) {
      if (depth == 0) reversion_ = i;
      ++depth;
    } else if (items_[i].kind == EditKind::kGroupClose) {
      --depth;
    }
  }
  reversion_has_data_ =
      std::any_of(items_.begin() + static_cast<std::ptrdiff_t>(reversion_), items_.end(),
                  [](const EditItem& it) { return is_data(it.kind); });
}

FortranFormat FortranFormat::with_item(std::size_t index, const EditItem& item) const {
  if (index >= items_.size() || !is_data(items_[index].kind) || !is_data(item.kind)) {
    throw std::invalid_argument("format \"" + source_ + "\": item " + std::to_string(index) +
                                " cannot be replaced by a data descriptor");
  }
  FortranFormat copy = *this;
  const int repeat = copy.items_[index].repeat;
  copy.items_[index] = item;
  copy.items_[index].repeat = repeat;
  return copy;
}

std::string FortranFormat::write(const std::vector<FortranValue>& values,
                                 WriteOptions options) const {
  std::vector<int> loops;  // passes left of each open group, innermost last
  std::string out;
  Record record;
  std::size_t next = 0;  // next value of the list
  std::size_t i = 0;     // next item of the format

  const auto edit = [&](const EditItem& item, const FortranValue& value) -> std::string {
    const auto mismatch = [&]() {
      return std::invalid_argument("format \"" + source_ + "\": list item " +
                                   std::to_string(next + 1) + " is " + type_name(value) +
                                   ", which " + describe(item) + " cannot write");
    };
    switch (item.kind) {
      case EditKind::kInteger: {
        const int* v = std::get_if<int>(&value);
        if (v == nullptr) throw mismatch();
        std::string field = edit_integer(*v, item.width, item.digits);
        if (options.integers_in_full && !field.empty() && field[0] == '*') {
          field = edit_integer(*v, 0, item.digits);
        }
        return field;
      }
      case EditKind::kFixed:
      case EditKind::kExponential: {
        const double* v = std::get_if<double>(&value);
        if (v == nullptr) throw mismatch();
        return item.kind == EditKind::kFixed ? edit_fixed(*v, item.width, item.digits)
                                             : edit_exponential(*v, item.width, item.digits,
                                                                item.exponent_digits, item.letter);
      }
      default: {
        const std::string* v = std::get_if<std::string>(&value);
        if (v == nullptr) throw mismatch();
        return edit_text(*v, item.width);
      }
    }
  };

  for (;;) {
    if (i == items_.size()) {
      if (next == values.size()) break;
      if (!reversion_has_data_) {
        throw std::invalid_argument("format \"" + source_ +
                                    "\": " + std::to_string(values.size() - next) +
                                    " list items left but no data descriptor to take them");
      }
      record.end(out);
      i = reversion_;
      continue;
    }
    const EditItem& item = items_[i];
    switch (item.kind) {
      case EditKind::kLiteral:
        record.put(item.text);
        break;
      case EditKind::kSkip:
        record.skip(item.count);
        break;
      case EditKind::kTabLeft:
        record.tab_left(item.count);
        break;
      case EditKind::kTab:
        record.tab(item.count);
        break;
      case EditKind::kSlash:
        for (int r = 0; r < item.repeat; ++r) record.end(out);
        break;
      case EditKind::kColon:
        if (next == values.size()) goto done;
        break;
      case EditKind::kGroupOpen:
        loops.push_back(item.repeat);
        break;
      case EditKind::kGroupClose:
        if (--loops.back() > 0) {
          i = item.partner + 1;
          continue;
        }
        loops.pop_back();
        break;
      default:
        for (int r = 0; r < item.repeat; ++r) {
          if (next == values.size()) goto done;
          record.put(edit(item, values[next]));
          ++next;
        }
        break;
    }
    ++i;
  }
done:
  record.end(out);
  return out;
}

std::string fortran_write(std::string_view format, const std::vector<FortranValue>& values) {
  return FortranFormat(format).write(values);
}

}  // namespace velmor::util
