// SPDX-License-Identifier: MIT

#include "app/batch/batch_inputs.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <set>
#include <system_error>

#include "engine/data/data_file_names.h"
#include "engine/data/import/plate_layout.h"
#include "engine/data/run_data.h"
#include "engine/driver/fit_status.h"

namespace velmor::app {
namespace {

namespace fs = std::filesystem;

std::string lower_extension(const fs::path& path) {
  std::string extension = path.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension;
}

// Data files by name alone; .txt and .json files are looked into (is_taken).
bool is_data_file_name(const fs::path& path) {
  const std::string name = path.filename().string();
  if (name.empty() || name.front() == '.' || is_layout_file_name(name)) return false;
  const std::string extension = lower_extension(path);
  return extension == ".in" || extension == ".csv" || extension == ".tsv" || extension == ".txt" ||
         extension == ".json";
}

// Why a folder's file is left out after a look into it; empty if it is taken.
std::string why_skipped(const std::string& name) {
  const std::string extension = lower_extension(name);
  if (extension == ".txt" && !is_recognised_table(name)) return kMsgSkippedText;
  if (extension == ".json" && !is_enzymeml_file(name)) return kMsgSkippedJson;
  return "";
}

// The same file under any spelling of its name (an absent file by its absolute name).
std::string identity(const std::string& name) {
  std::error_code error;
  const fs::path canonical = fs::weakly_canonical(name, error);
  return error ? fs::absolute(name, error).lexically_normal().string() : canonical.string();
}

// The folder's data files sorted by name; `readable` false when it cannot be listed.
std::vector<std::string> folder_files(const std::string& folder, const std::string& summary_file,
                                      const std::string& points_file, bool& readable,
                                      std::vector<std::string>* skipped) {
  std::vector<std::string> names;
  std::error_code error;
  readable = true;
  fs::directory_iterator it(folder, error);
  if (error) {
    readable = false;
    return names;
  }
  for (const fs::directory_iterator end; it != end; it.increment(error)) {
    if (error) {
      readable = false;
      break;
    }
    std::error_code type_error;
    if (!it->is_regular_file(type_error) || !is_data_file_name(it->path())) continue;
    const std::string name = (fs::path(folder) / it->path().filename()).string();
    if (!summary_file.empty() && same_file(name, summary_file)) continue;
    if (!points_file.empty() && same_file(name, points_file)) continue;
    names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  std::vector<std::string> taken;
  for (const std::string& name : names) {
    const std::string why = why_skipped(name);
    if (why.empty()) {
      taken.push_back(name);
    } else if (skipped != nullptr) {
      skipped->push_back(name + why);
    }
  }
  return taken;
}

}  // namespace

std::vector<BatchFile> plan_batch(const std::vector<std::string>& inputs,
                                  const std::string& summary_file, const std::string& points_file,
                                  std::vector<std::string>* skipped) {
  std::vector<BatchFile> files;
  std::set<std::string> seen;                  // data files by identity
  std::map<std::string, std::string> reports;  // report identity -> its data file
  std::map<std::string, int> stems;            // picture stem -> files named so far

  const auto add = [&](const std::string& name) {
    const std::string resolved = resolve_input_name(name);
    if (!seen.insert(identity(resolved)).second) return;
    BatchFile file;
    file.data_file = name;
    const std::string report = report_name_for(resolved);
    const auto [owner, fresh] = reports.emplace(identity(report), name);
    if (!fresh) {
      file.refusal = kMsgSameReport + report + " (" + owner->second + ")";
      file.refusal_status = kStatusDataError;
    }
    const std::string stem = fs::path(resolved).stem().string();
    const int earlier = stems[stem]++;
    file.picture_stem = earlier == 0 ? stem : stem + "-" + std::to_string(earlier + 1);
    files.push_back(std::move(file));
  };

  for (const std::string& input : inputs) {
    std::error_code error;
    if (!fs::is_directory(input, error)) {
      add(input);
      continue;
    }
    bool readable = true;
    const std::vector<std::string> found =
        folder_files(input, summary_file, points_file, readable, skipped);
    if (!readable || found.empty()) {
      BatchFile folder;
      folder.data_file = input;
      folder.refusal = (readable ? kMsgNoDataFiles : kMsgFolderUnreadable) + input;
      folder.refusal_status = kStatusFileMissing;
      files.push_back(std::move(folder));
      continue;
    }
    for (const std::string& name : found) add(name);
  }
  return files;
}

}  // namespace velmor::app
