// SPDX-License-Identifier: MIT

#pragma once

// The report formatter: Fortran format texts such as "(5X, I3, 2X, 4F12.3, 3X, F10.6)" applied to
// a list of values, with the output of a formatted WRITE of gfortran.
//
// Supported: nX, Tn, TLn, TRn, Iw, Iw.m, Fw.d, Ew.d, Ew.dEe, Dw.d, A, Aw, /, :, nH Hollerith
// pieces, quoted pieces ('' or "" for the quote itself), repeat counts on data descriptors,
// slashes and parenthesised groups, blanks anywhere outside the literal pieces, missing commas
// between items (as gfortran accepts them) and format reversion. Letters may be in either case.
//
// Record rules: each record ends with '\n'; positioning by X, T, TL and TR moves the column
// without writing, so blanks appear only where later text lands beyond them (no trailing blanks
// from a final nX); text written after a move to the left overwrites the record. Tn always
// counts from the start of the record. Output stops at the first data descriptor (or colon)
// met after the list is exhausted, or at the final parenthesis; if values remain there, a new
// record starts and the format is taken up again from the last top-level group (with its repeat
// count), or from the start when there is no group.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace velmor::util {

// One item of an output list: I takes an int, F/E/D a double, A a string.
using FortranValue = std::variant<int, double, std::string>;

enum class EditKind : std::uint8_t {
  kLiteral,      // quoted piece or nH Hollerith: `text`
  kSkip,         // nX and TRn: `count` columns to the right
  kTabLeft,      // TLn: `count` columns to the left, not before column 1
  kTab,          // Tn: column `count` (1-based) of the record
  kSlash,        // `repeat` record ends
  kColon,        // stops the output when the list is exhausted
  kInteger,      // Iw[.m]: `width`, `digits` = m or -1
  kFixed,        // Fw.d: `width`, `digits` = d
  kExponential,  // Ew.d[Ee], Dw.d[Ee]: `width`, `digits` = d, `exponent_digits` = e or 0
  kText,         // A[w]: `width` = w or -1
  kGroupOpen,    // "r(": `repeat` = r, `partner` = index of the matching kGroupClose
  kGroupClose,   // ")": `partner` = index of the matching kGroupOpen
};

struct EditItem {
  EditKind kind = EditKind::kLiteral;
  int repeat = 1;
  int count = 0;
  int width = 0;
  int digits = 0;
  int exponent_digits = 0;
  char letter = 'E';  // exponent letter of kExponential
  std::size_t partner = 0;
  std::string text;
};

struct WriteOptions {
  // An integer too wide for its Iw field is written in full (as by I0) instead of as asterisks.
  bool integers_in_full = false;
};

// A parsed format: parse once, write many times. Immutable after construction, so one instance
// may be shared by threads.
class FortranFormat {
 public:
  // Throws std::invalid_argument, naming the text and the column, when `text` is not a valid
  // format: a malformed format is a programming error of the caller.
  explicit FortranFormat(std::string_view text);

  // The records written for `values`, each ended by '\n'. Throws std::invalid_argument when a
  // value does not match the type of its descriptor, or when values remain but the part of the
  // format taken up again has no data descriptor (the WRITE could never end).
  std::string write(const std::vector<FortranValue>& values, WriteOptions options = {}) const;

  const std::vector<EditItem>& items() const { return items_; }

  // This format with the data descriptor items()[index] replaced by `item`, another data
  // descriptor (its repeat count is kept). Throws std::invalid_argument when either is not a
  // data descriptor.
  FortranFormat with_item(std::size_t index, const EditItem& item) const;

 private:
  std::string source_;
  std::vector<EditItem> items_;
  std::size_t reversion_ = 0;        // first item taken up again on format reversion
  bool reversion_has_data_ = false;  // items_[reversion_..] contain a data descriptor
};

// Parses `format` and writes `values` with it: every record the WRITE produces, each ended by
// '\n'. Example: fortran_write("(1X,I3,'|')", {7}) == "   7|\n".
std::string fortran_write(std::string_view format, const std::vector<FortranValue>& values);

}  // namespace velmor::util
