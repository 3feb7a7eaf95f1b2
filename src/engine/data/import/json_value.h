// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>
#include <vector>

// A small JSON reader (RFC 8259) for the documents the program reads (EnzymeML), bounded so
// that no document can take much more than 20 MB: at most 64 levels of nesting, 200000 values
// besides the numbers of arrays of numbers, and 1000000 of those (kept as plain doubles).
namespace velmor {

class JsonValue {
 public:
  enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject };

  Kind kind = Kind::kNull;
  bool boolean = false;
  double number = 0.0;
  std::string text;
  // An array's elements: all of them in `numbers` when every one is a number, else in `items`.
  std::vector<double> numbers;
  std::vector<JsonValue> items;
  // An object's members in document order: names[i] names member_values[i] (kept apart, as a
  // pair of a name and a value of this still incomplete type is no container's element).
  std::vector<std::string> names;
  std::vector<JsonValue> member_values;

  // The member of an object named `key` (the first of that name); null if there is none or
  // this is not an object.
  const JsonValue* find(std::string_view key) const;

  // The text of a string member, or `fallback` when the member is missing or not a string.
  std::string string_member(std::string_view key, const std::string& fallback = "") const;

  bool is_array() const { return kind == Kind::kArray; }
  bool is_object() const { return kind == Kind::kObject; }
  std::size_t array_size() const { return numbers.empty() ? items.size() : numbers.size(); }
};

struct JsonParse {
  JsonValue value;
  std::string error;  // "line 3, column 14: ..." when the text is not valid JSON or too large
};

JsonParse parse_json(std::string_view text);

}  // namespace velmor
