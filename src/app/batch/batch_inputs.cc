// SPDX-License-Identifier: MIT

#include "app/batch/batch_inputs.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <set>
#include <system_error>

#include "engine/core/limits.h"
#include "engine/data/data_file_names.h"
#include "engine/data/import/plate_layout.h"
#include "engine/data/run_data.h"
#include "engine/driver/fit_status.h"
#include "plot/picture_names.h"
#include "util/file_identity.h"

namespace velmor::app {
namespace {

namespace fs = std::filesystem;
using util::FileIdentity;

std::string lower_extension(const fs::path& path) {
  std::string extension = path.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension;
}

// Data files by name alone; .txt and .json files are looked into (why_skipped).
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

// The folder's data files sorted by name, leaving out the run's tables; `readable` false when
// it cannot be listed.
std::vector<std::string> folder_files(const std::string& folder, const CommandLine& command_line,
                                      bool& readable, std::vector<std::string>* skipped) {
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
    const auto is_table = [&](const std::string& table) {
      return !table.empty() && util::same_file(name, table);
    };
    if (is_table(command_line.summary_file) || is_table(command_line.points_file)) continue;
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

// Every picture name a file with this stem may write (all models, whichever are chosen).
std::vector<std::string> picture_names(const std::string& stem, const CommandLine& command_line) {
  std::vector<std::string> names;
  for (int model = 1; model <= kModelCount; ++model) {
    names.push_back(plot::fit_picture_name(stem, model, command_line.plot_format));
  }
  names.push_back(plot::residual_picture_name(stem, command_line.plot_format));
  return names;
}

// Gives each fitted file a picture stem no earlier file has and whose pictures are none of
// `taken` (the run's data files and reports).
void name_pictures(std::vector<BatchFile>& files, const CommandLine& command_line,
                   const std::set<FileIdentity>& taken) {
  std::set<std::string> stems;
  const auto free = [&](const std::string& stem) {
    if (stems.contains(stem)) return false;
    if (command_line.plots_dir.empty()) return true;
    const std::vector<std::string> names = picture_names(stem, command_line);
    return std::none_of(names.begin(), names.end(), [&](const std::string& name) {
      return taken.contains(
          util::file_identity((fs::path(command_line.plots_dir) / name).string()));
    });
  };
  for (BatchFile& file : files) {
    if (!file.refusal.empty()) continue;
    const std::string base = fs::path(resolve_input_name(file.data_file)).stem().string();
    std::string stem = base;
    for (int n = 2; !free(stem); ++n) stem = base + "-" + std::to_string(n);
    stems.insert(stem);
    file.picture_stem = stem;
  }
}

}  // namespace

std::vector<BatchFile> plan_batch(const CommandLine& command_line,
                                  std::vector<std::string>* skipped) {
  std::vector<BatchFile> files;
  std::set<FileIdentity> seen;                  // data files
  std::map<FileIdentity, std::string> reports;  // report -> its data file
  std::set<FileIdentity> taken;                 // data files and reports, for the pictures

  const auto add = [&](const std::string& name) {
    const std::string resolved = resolve_input_name(name);
    const FileIdentity data = util::file_identity(resolved);
    if (!seen.insert(data).second) return;
    taken.insert(data);
    BatchFile file;
    file.data_file = name;
    const std::string report = report_name_for(resolved);
    const FileIdentity report_identity = util::file_identity(report);
    taken.insert(report_identity);
    const auto [owner, fresh] = reports.emplace(report_identity, name);
    if (!fresh) {
      file.refusal = kMsgSameReport + report + " (" + owner->second + ")";
      file.refusal_status = kStatusDataError;
    }
    files.push_back(std::move(file));
  };

  for (const std::string& input : command_line.inputs) {
    std::error_code error;
    if (!fs::is_directory(input, error)) {
      add(input);
      continue;
    }
    bool readable = true;
    const std::vector<std::string> found = folder_files(input, command_line, readable, skipped);
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
  name_pictures(files, command_line, taken);
  return files;
}

std::vector<RunOutput> run_outputs(const std::vector<BatchFile>& files,
                                   const CommandLine& command_line) {
  std::vector<RunOutput> outputs;
  for (const BatchFile& file : files) {
    if (!file.refusal.empty()) continue;
    outputs.push_back({report_name_for(resolve_input_name(file.data_file)), "report"});
    if (command_line.plots_dir.empty()) continue;
    const auto picture = [&](const std::string& name) {
      outputs.push_back({(fs::path(command_line.plots_dir) / name).string(), "picture"});
    };
    for (int model = 1; model <= kModelCount; ++model) {
      if (command_line.models[model - 1] > 0) {
        picture(plot::fit_picture_name(file.picture_stem, model, command_line.plot_format));
      }
    }
    picture(plot::residual_picture_name(file.picture_stem, command_line.plot_format));
  }
  return outputs;
}

}  // namespace velmor::app
