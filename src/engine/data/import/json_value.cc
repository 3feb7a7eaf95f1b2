// SPDX-License-Identifier: MIT
#include "engine/data/import/json_value.h"

#include <charconv>
#include <cmath>

namespace velmor {
namespace {

constexpr int kMaxDepth = 64;
constexpr long kMaxValues = 200000;
constexpr long kMaxArrayNumbers = 1000000;  // 8 MB of doubles

class JsonParser {
 public:
  explicit JsonParser(std::string_view text) : text_(text) {}

  JsonParse parse() {
    JsonParse result;
    skip_space();
    if (!value(result.value, 0)) {
      result.error = error_;
      result.value = {};
      return result;
    }
    skip_space();
    if (pos_ != text_.size()) {
      fail("text after the document");
      result.error = error_;
      result.value = {};
    }
    return result;
  }

 private:
  bool fail(const std::string& what) {
    if (!error_.empty()) return false;
    int line = 1;
    int column = 1;
    for (std::size_t i = 0; i < pos_ && i < text_.size(); ++i) {
      if (text_[i] == '\n') {
        ++line;
        column = 1;
      } else {
        ++column;
      }
    }
    error_ = "line " + std::to_string(line) + ", column " + std::to_string(column) + ": " + what;
    return false;
  }

  void skip_space() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' ||
                                   text_[pos_] == '\n' || text_[pos_] == '\r')) {
      ++pos_;
    }
  }

  bool literal(std::string_view word) {
    if (text_.substr(pos_, word.size()) != word) return fail("not a JSON value");
    pos_ += word.size();
    return true;
  }

  bool count_value() {
    if (++values_ > kMaxValues) return fail("more than " + std::to_string(kMaxValues) + " values");
    return true;
  }

  bool value(JsonValue& out, int depth) {
    if (pos_ >= text_.size()) return fail("the document ends early");
    const char c = text_[pos_];
    if (c == '{') return object(out, depth + 1);
    if (c == '[') return array(out, depth + 1);
    if (!count_value()) return false;
    if (c == '"') {
      out.kind = JsonValue::Kind::kString;
      return string(out.text);
    }
    if (c == 't' || c == 'f') {
      out.kind = JsonValue::Kind::kBool;
      out.boolean = c == 't';
      return literal(c == 't' ? "true" : "false");
    }
    if (c == 'n') return literal("null");
    out.kind = JsonValue::Kind::kNumber;
    return number(out.number);
  }

  bool number(double& out) {
    const std::size_t start = pos_;
    const auto digits = [&] {
      const std::size_t from = pos_;
      while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') ++pos_;
      return pos_ - from;
    };
    if (pos_ < text_.size() && text_[pos_] == '-') ++pos_;
    const std::size_t int_start = pos_;
    const std::size_t int_digits = digits();
    if (int_digits == 0 || (int_digits > 1 && text_[int_start] == '0')) {
      pos_ = start;
      return fail("not a JSON value");
    }
    if (pos_ < text_.size() && text_[pos_] == '.') {
      ++pos_;
      if (digits() == 0) return fail("a number without digits after its point");
    }
    if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
      ++pos_;
      if (pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-')) ++pos_;
      if (digits() == 0) return fail("a number without digits in its exponent");
    }
    const auto [end, error] = std::from_chars(text_.data() + start, text_.data() + pos_, out);
    if (error != std::errc() || end != text_.data() + pos_ || !std::isfinite(out)) {
      pos_ = start;
      return fail("a number too large for the program");
    }
    return true;
  }

  static void append_utf8(std::string& out, unsigned code) {
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (code >> 18));
      out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }

  bool hex4(unsigned& code) {
    if (pos_ + 4 > text_.size()) return fail("a \\u escape without four hex digits");
    code = 0;
    for (int i = 0; i < 4; ++i) {
      const char h = text_[pos_++];
      code <<= 4;
      if (h >= '0' && h <= '9') {
        code |= static_cast<unsigned>(h - '0');
      } else if (h >= 'a' && h <= 'f') {
        code |= static_cast<unsigned>(h - 'a' + 10);
      } else if (h >= 'A' && h <= 'F') {
        code |= static_cast<unsigned>(h - 'A' + 10);
      } else {
        return fail("a \\u escape without four hex digits");
      }
    }
    return true;
  }

  bool string(std::string& out) {
    ++pos_;  // the opening quote
    for (;;) {
      if (pos_ >= text_.size()) return fail("a text without its closing quote");
      const char c = text_[pos_++];
      if (c == '"') return true;
      if (static_cast<unsigned char>(c) < 0x20) {
        --pos_;
        return fail("a control character in a text");
      }
      if (c != '\\') {
        out += c;
        continue;
      }
      if (pos_ >= text_.size()) return fail("a text without its closing quote");
      const char e = text_[pos_++];
      switch (e) {
        case '"':
        case '\\':
        case '/':
          out += e;
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u': {
          unsigned code = 0;
          if (!hex4(code)) return false;
          if (code >= 0xD800 && code <= 0xDBFF && text_.substr(pos_, 2) == "\\u") {
            pos_ += 2;
            unsigned low = 0;
            if (!hex4(low)) return false;
            if (low < 0xDC00 || low > 0xDFFF) return fail("a lone surrogate in a \\u escape");
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
          } else if (code >= 0xD800 && code <= 0xDFFF) {
            return fail("a lone surrogate in a \\u escape");
          }
          append_utf8(out, code);
          break;
        }
        default:
          --pos_;
          return fail("an unknown escape in a text");
      }
    }
  }

  bool array(JsonValue& out, int depth) {
    if (depth > kMaxDepth) return fail("more than 64 levels of nesting");
    if (!count_value()) return false;
    out.kind = JsonValue::Kind::kArray;
    ++pos_;
    skip_space();
    if (pos_ < text_.size() && text_[pos_] == ']') {
      ++pos_;
      return true;
    }
    bool all_numbers = true;
    for (;;) {
      skip_space();
      JsonValue item;
      const bool is_number =
          pos_ < text_.size() && (text_[pos_] == '-' || (text_[pos_] >= '0' && text_[pos_] <= '9'));
      if (is_number && all_numbers) {
        double n = 0.0;
        if (!number(n)) return false;
        if (++array_numbers_ > kMaxArrayNumbers) {
          return fail("more than " + std::to_string(kMaxArrayNumbers) + " numbers");
        }
        out.numbers.push_back(n);
      } else {
        if (all_numbers) {
          // The first element that is not a number: the numbers so far become items.
          for (const double n : out.numbers) {
            if (!count_value()) return false;
            JsonValue v;
            v.kind = JsonValue::Kind::kNumber;
            v.number = n;
            out.items.push_back(std::move(v));
          }
          out.numbers.clear();
          all_numbers = false;
        }
        if (!value(item, depth)) return false;
        out.items.push_back(std::move(item));
      }
      skip_space();
      if (pos_ < text_.size() && text_[pos_] == ',') {
        ++pos_;
        continue;
      }
      if (pos_ < text_.size() && text_[pos_] == ']') {
        ++pos_;
        return true;
      }
      return fail("expected ',' or ']'");
    }
  }

  bool object(JsonValue& out, int depth) {
    if (depth > kMaxDepth) return fail("more than 64 levels of nesting");
    if (!count_value()) return false;
    out.kind = JsonValue::Kind::kObject;
    ++pos_;
    skip_space();
    if (pos_ < text_.size() && text_[pos_] == '}') {
      ++pos_;
      return true;
    }
    for (;;) {
      skip_space();
      if (pos_ >= text_.size() || text_[pos_] != '"') return fail("expected a member name");
      std::string key;
      if (!string(key)) return false;
      skip_space();
      if (pos_ >= text_.size() || text_[pos_] != ':') return fail("expected ':'");
      ++pos_;
      skip_space();
      JsonValue member;
      if (!value(member, depth)) return false;
      out.names.push_back(std::move(key));
      out.member_values.push_back(std::move(member));
      skip_space();
      if (pos_ < text_.size() && text_[pos_] == ',') {
        ++pos_;
        continue;
      }
      if (pos_ < text_.size() && text_[pos_] == '}') {
        ++pos_;
        return true;
      }
      return fail("expected ',' or '}'");
    }
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  long values_ = 0;
  long array_numbers_ = 0;
  std::string error_;
};

}  // namespace

const JsonValue* JsonValue::find(std::string_view key) const {
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (names[i] == key) return &member_values[i];
  }
  return nullptr;
}

std::string JsonValue::string_member(std::string_view key, const std::string& fallback) const {
  const JsonValue* member = find(key);
  return member != nullptr && member->kind == Kind::kString ? member->text : fallback;
}

JsonParse parse_json(std::string_view text) {
  return JsonParser(text).parse();
}

}  // namespace velmor
