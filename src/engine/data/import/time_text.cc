// SPDX-License-Identifier: MIT
#include "engine/data/import/time_text.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "engine/data/delimited_text.h"

namespace velmor {
namespace {

struct UnitWord {
  const char* word;
  TimeUnit unit;
  double factor;  // value in `unit` per written value (milliseconds are read as seconds)
};

constexpr std::array<UnitWord, 22> kUnitWords = {{
    {"ms", TimeUnit::kSeconds, 1e-3},    {"msec", TimeUnit::kSeconds, 1e-3},
    {"s", TimeUnit::kSeconds, 1},        {"sec", TimeUnit::kSeconds, 1},
    {"secs", TimeUnit::kSeconds, 1},     {"second", TimeUnit::kSeconds, 1},
    {"seconds", TimeUnit::kSeconds, 1},  {"sek", TimeUnit::kSeconds, 1},
    {"sekunden", TimeUnit::kSeconds, 1}, {"min", TimeUnit::kMinutes, 1},
    {"mins", TimeUnit::kMinutes, 1},     {"minute", TimeUnit::kMinutes, 1},
    {"minutes", TimeUnit::kMinutes, 1},  {"minuten", TimeUnit::kMinutes, 1},
    {"m", TimeUnit::kMinutes, 1},        {"h", TimeUnit::kHours, 1},
    {"hr", TimeUnit::kHours, 1},         {"hrs", TimeUnit::kHours, 1},
    {"hour", TimeUnit::kHours, 1},       {"hours", TimeUnit::kHours, 1},
    {"std", TimeUnit::kHours, 1},        {"stunden", TimeUnit::kHours, 1},
}};

std::string lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string_view trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

const UnitWord* unit_word(std::string_view word) {
  std::string w = lower(word);
  if (!w.empty() && w.back() == '.') w.pop_back();  // "Min.", "Sek."
  for (const UnitWord& u : kUnitWords) {
    if (w == u.word) return &u;
  }
  return nullptr;
}

bool all_digits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// h:mm:ss or mm:ss in seconds.
std::optional<double> parse_clock(std::string_view text, bool decimal_comma) {
  std::vector<std::string_view> fields;
  for (std::size_t start = 0;;) {
    const std::size_t colon = text.find(':', start);
    fields.push_back(text.substr(start, colon == std::string_view::npos ? colon : colon - start));
    if (colon == std::string_view::npos) break;
    start = colon + 1;
  }
  if (fields.size() < 2 || fields.size() > 3) return std::nullopt;
  double seconds = 0.0;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const bool last = i + 1 == fields.size();
    double value = 0.0;
    if (last) {
      // The seconds, with a fraction allowed: digits, then optionally a mark and digits.
      const std::string_view s = fields[i];
      const std::size_t mark = s.find_first_of(decimal_comma ? ".," : ".");
      if (!all_digits(s.substr(0, mark)) ||
          (mark != std::string_view::npos && !all_digits(s.substr(mark + 1))) ||
          !parse_decimal(s, decimal_comma, value)) {
        return std::nullopt;
      }
    } else if (!all_digits(fields[i]) || !parse_decimal(fields[i], false, value)) {
      return std::nullopt;
    }
    if (i > 0 && value >= 60.0) return std::nullopt;
    seconds = seconds * 60.0 + value;
  }
  return seconds;
}

// "1 min 30 s", "1.5 h", "90sec": numbers each followed by a unit word.
std::optional<TimeText> parse_with_units(std::string_view text, bool decimal_comma) {
  std::size_t pos = 0;
  int parts = 0;
  double seconds = 0.0;
  TimeText single;
  while (pos < text.size()) {
    while (pos < text.size() && text[pos] == ' ') ++pos;
    if (pos == text.size()) break;
    const std::size_t number_start = pos;
    while (pos < text.size() &&
           (std::isdigit(static_cast<unsigned char>(text[pos])) || text[pos] == '.' ||
            (decimal_comma && text[pos] == ',') || (pos == number_start && text[pos] == '+'))) {
      ++pos;
    }
    double value = 0.0;
    if (!parse_decimal(text.substr(number_start, pos - number_start), decimal_comma, value)) {
      return std::nullopt;
    }
    while (pos < text.size() && text[pos] == ' ') ++pos;
    const std::size_t word_start = pos;
    while (pos < text.size() &&
           (std::isalpha(static_cast<unsigned char>(text[pos])) || text[pos] == '.')) {
      ++pos;
    }
    const UnitWord* unit = unit_word(text.substr(word_start, pos - word_start));
    if (unit == nullptr) return std::nullopt;
    ++parts;
    single = {value * unit->factor, unit->unit, false};
    seconds += value * unit->factor * seconds_in(unit->unit);
  }
  if (parts == 0) return std::nullopt;
  if (parts == 1) return single;
  return TimeText{seconds, TimeUnit::kSeconds, false};
}

}  // namespace

std::string time_unit_name(TimeUnit unit) {
  switch (unit) {
    case TimeUnit::kSeconds:
      return "s";
    case TimeUnit::kMinutes:
      return "min";
    case TimeUnit::kHours:
      return "h";
    case TimeUnit::kNone:
      break;
  }
  return "";
}

double seconds_in(TimeUnit unit) {
  switch (unit) {
    case TimeUnit::kMinutes:
      return 60.0;
    case TimeUnit::kHours:
      return 3600.0;
    case TimeUnit::kSeconds:
    case TimeUnit::kNone:
      break;
  }
  return 1.0;
}

std::optional<TimeText> parse_time_text(std::string_view text, bool decimal_comma) {
  text = trim(text);
  if (text.empty()) return std::nullopt;
  double value = 0.0;
  if (parse_decimal(text, decimal_comma, value)) return TimeText{value, TimeUnit::kNone, false};
  if (text.find(':') != std::string_view::npos) {
    const auto seconds = parse_clock(text, decimal_comma);
    if (!seconds) return std::nullopt;
    return TimeText{*seconds, TimeUnit::kSeconds, true};
  }
  return parse_with_units(text, decimal_comma);
}

std::optional<TimeUnit> time_header_unit(std::string_view header) {
  std::string text = lower(trim(header));
  std::string unit;
  // "time [s]", "time (min)": the unit in brackets; "time_min", "t/s": after the mark.
  const std::size_t open = text.find_first_of("[(");
  if (open != std::string::npos) {
    const char close = text[open] == '[' ? ']' : ')';
    const std::size_t end = text.find(close, open);
    if (end == std::string::npos || trim(std::string_view(text).substr(end + 1)).size() != 0) {
      return std::nullopt;
    }
    unit = std::string(trim(std::string_view(text).substr(open + 1, end - open - 1)));
    text = std::string(trim(std::string_view(text).substr(0, open)));
  } else if (const std::size_t mark = text.find_first_of("_/"); mark != std::string::npos) {
    unit = std::string(trim(std::string_view(text).substr(mark + 1)));
    text = std::string(trim(std::string_view(text).substr(0, mark)));
    if (unit.empty()) return std::nullopt;
  }
  if (text != "time" && text != "t" && text != "zeit") return std::nullopt;
  if (unit.empty() || unit.find(':') != std::string::npos) return TimeUnit::kNone;
  const UnitWord* word = unit_word(unit);
  if (word == nullptr || word->factor != 1.0) return std::nullopt;
  return word->unit;
}

TimeColumn resolve_time_column(const std::vector<TimeText>& times, TimeUnit header_unit) {
  bool any_clock = false;
  bool mixed = false;
  TimeUnit written = TimeUnit::kNone;  // the one unit the numbers are written with
  for (const TimeText& t : times) {
    if (t.clock) any_clock = true;
    if (t.clock || t.unit == TimeUnit::kNone) continue;
    if (written != TimeUnit::kNone && written != t.unit) mixed = true;
    written = t.unit;
  }
  TimeColumn column;
  if (any_clock || mixed) {
    column.unit = TimeUnit::kSeconds;
  } else if (written != TimeUnit::kNone) {
    column.unit = written;
  } else {
    column.unit = header_unit;
  }
  // Plain numbers are in the header's unit, or, without one, in the unit the others are written in.
  const TimeUnit plain = header_unit != TimeUnit::kNone ? header_unit : column.unit;
  column.values.reserve(times.size());
  for (const TimeText& t : times) {
    const TimeUnit from = t.clock ? TimeUnit::kSeconds : t.unit == TimeUnit::kNone ? plain : t.unit;
    column.values.push_back(
        from == column.unit ? t.value : t.value * seconds_in(from) / seconds_in(column.unit));
  }
  return column;
}

}  // namespace velmor
