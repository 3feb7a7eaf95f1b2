// SPDX-License-Identifier: MIT
#pragma once

#include <map>
#include <regex>
#include <string>
#include <utility>
#include <vector>

namespace velmor::testing {

// One field of a CSV record: its text (quotes taken off, "" read as ") and whether it was quoted.
using CsvField = std::pair<std::string, bool>;

// The RFC 4180 records of `text`, each ended by CR LF.
inline std::vector<std::vector<CsvField>> csv_records(const std::string& text) {
  std::vector<std::vector<CsvField>> records(1);
  const std::regex field(R"re(("(?:[^"]|"")*"|[^,"\r]*)(,|\r\n))re");
  for (std::sregex_iterator it(text.begin(), text.end(), field), end; it != end; ++it) {
    const std::string cell = (*it)[1];
    const bool quoted = cell.starts_with('"');
    records.back().emplace_back(
        quoted ? std::regex_replace(cell.substr(1, cell.size() - 2), std::regex("\"\""), "\"")
               : cell,
        quoted);
    if ((*it)[2] == "\r\n") records.emplace_back();
  }
  records.pop_back();
  return records;
}

// The records after the header, each a map from the header's names to the fields' texts.
inline std::vector<std::map<std::string, std::string>> csv_rows(const std::string& text) {
  const auto records = csv_records(text);
  std::vector<std::map<std::string, std::string>> rows;
  for (std::size_t r = 1; r < records.size(); ++r) {
    std::map<std::string, std::string>& row = rows.emplace_back();
    for (std::size_t c = 0; c < records[0].size() && c < records[r].size(); ++c) {
      row[records[0][c].first] = records[r][c].first;
    }
  }
  return rows;
}

}  // namespace velmor::testing
