// SPDX-License-Identifier: MIT

#include "app/batch/exit_status.h"

#include <algorithm>
#include <array>
#include <vector>

namespace velmor::app {
namespace {

struct StatusInfo {
  int status;
  const char* meaning;
};

// Most serious first.
constexpr std::array<StatusInfo, 8> kStatuses = {{
    {1, "data file missing"},
    {3, "data error or report not written"},
    {4, "the data suggest the other kind of model"},
    {6, "model incompatible with the columns"},
    {5, "too many parameters or too few data points"},
    {9, "every fit failed"},
    {7, "a picture or the summary not written"},
    {0, "completed"},
}};

}  // namespace

int status_severity(int status) {
  for (std::size_t i = 0; i < kStatuses.size(); ++i) {
    if (kStatuses[i].status == status) return static_cast<int>(kStatuses.size() - i);
  }
  return static_cast<int>(kStatuses.size()) + 1;
}

int more_serious_status(int a, int b) {
  return status_severity(b) > status_severity(a) ? b : a;
}

std::string status_meaning(int status) {
  for (const StatusInfo& info : kStatuses) {
    if (info.status == status) return info.meaning;
  }
  return "an unexpected failure";
}

std::string closing_line(int files, const std::map<int, int>& files_by_status) {
  std::vector<std::pair<int, int>> failed;  // status, files
  int failed_files = 0;
  for (const auto& [status, count] : files_by_status) {
    if (status == 0 || count == 0) continue;
    failed.emplace_back(status, count);
    failed_files += count;
  }
  if (failed_files == 0) return "all " + std::to_string(files) + " files completed";
  std::stable_sort(failed.begin(), failed.end(), [](const auto& a, const auto& b) {
    return status_severity(a.first) > status_severity(b.first);
  });
  std::string line =
      std::to_string(failed_files) + " of " + std::to_string(files) + " files failed: ";
  for (std::size_t i = 0; i < failed.size(); ++i) {
    if (i > 0) line += ", ";
    line += std::to_string(failed[i].second) + " " + status_meaning(failed[i].first) + " (status " +
            std::to_string(failed[i].first) + ")";
  }
  return line;
}

std::string stopped_line(const std::string& signal_name, int done, int files,
                         const std::map<int, int>& files_by_status) {
  return "stopped by " + signal_name + " after " + std::to_string(done) + " of " +
         std::to_string(files) + " files" +
         (done > 0 ? ": " + closing_line(done, files_by_status) : std::string());
}

}  // namespace velmor::app
