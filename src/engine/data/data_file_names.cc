// SPDX-License-Identifier: MIT

#include "engine/data/data_file_names.h"

#include "util/file_identity.h"
#include "util/fixed_string.h"

namespace velmor {
namespace {

// Index where the file's own name starts.
size_t own_name_start(std::string_view name) {
  const size_t slash = name.rfind('/');
  return slash == std::string_view::npos ? 0 : slash + 1;
}

}  // namespace

std::string resolve_input_name(std::string_view name) {
  std::string field(name);
  util::s_adjustl(field);
  field.resize(static_cast<size_t>(util::s_len_trim(field)));
  const size_t start = own_name_start(field);
  std::string own = field.substr(start);
  if (own.empty() || own.find('.') != std::string::npos) return field;
  util::s_blank_delete(own);
  own.resize(static_cast<size_t>(util::s_len_trim(own)));
  return field.substr(0, start) + own + ".in";
}

std::string report_name_for(std::string_view data_file_name) {
  const size_t start = own_name_start(data_file_name);
  const size_t dot = data_file_name.rfind('.');
  if (dot == std::string_view::npos || dot < start) return std::string(data_file_name) + ".out";
  return std::string(data_file_name.substr(0, dot + 1)) + "out";
}

bool same_file(const std::string& a, const std::string& b) {
  return util::same_file(a, b);
}

}  // namespace velmor
