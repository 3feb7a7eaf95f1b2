#include "app/batch_options.h"

#include <sstream>

namespace velmor::app {
namespace {

// "1,2,4" -> flags; false on anything but model numbers 1..4 separated by commas.
bool parse_models(const std::string& text, std::array<int, kModelCount>& models) {
  models.fill(0);
  std::stringstream in(text);
  std::string item;
  int count = 0;
  while (std::getline(in, item, ',')) {
    if (item.size() != 1 || item[0] < '1' || item[0] > '0' + kModelCount) return false;
    models[item[0] - '1'] = 1;
    ++count;
  }
  return count > 0 && !text.empty() && text.back() != ',';
}

}  // namespace

ParseResult parse_command_line(const std::vector<std::string>& args) {
  CommandLine cl;
  bool batch = false;
  bool models_given = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](const char* option) -> std::optional<std::string> {
      if (i + 1 >= args.size()) return std::nullopt;
      (void)option;
      return args[++i];
    };
    if (a == "--help" || a == "-h") {
      cl.mode = CommandLine::Mode::kHelp;
      return {cl, {}};
    } else if (a == "--batch") {
      auto v = value("--batch");
      if (!v || v->empty()) return {std::nullopt, "--batch needs a data file"};
      batch = true;
      cl.data_file = *v;
    } else if (a == "--models") {
      auto v = value("--models");
      if (!v || !parse_models(*v, cl.models)) {
        return {std::nullopt, "--models needs model numbers 1 to 4 separated by commas, e.g. 1,2"};
      }
      models_given = true;
    } else if (a == "--robust") {
      cl.robust = true;
    } else if (a == "--plots") {
      auto v = value("--plots");
      if (!v || v->empty()) return {std::nullopt, "--plots needs a folder"};
      cl.plots_dir = *v;
    } else {
      return {std::nullopt, "unknown argument: " + a};
    }
  }
  if (!batch) {
    if (models_given || cl.robust || !cl.plots_dir.empty()) {
      return {std::nullopt, "--models, --robust and --plots belong to --batch"};
    }
    return {cl, {}};
  }
  cl.mode = CommandLine::Mode::kBatch;
  return {cl, {}};
}

std::string usage_text(const std::string& program_name) {
  return "Usage: " + program_name +
         "                      open the program's window\n"
         "       " +
         program_name +
         " --batch DATAFILE [--models 1,2,3,4] [--robust] [--plots DIR]\n"
         "\n"
         "Batch mode fits the chosen models (default: all four) to DATAFILE as the Run command\n"
         "does and writes the report next to it, with the extension \"out\".\n"
         "  --models LIST  models to fit, numbers 1 to 4 separated by commas\n"
         "  --robust       robust weighting (default: none)\n"
         "  --plots DIR    also write the fit and residual pictures as PNG files into DIR\n"
         "  --help         print this text\n"
         "\n"
         "Exit status: 0 completed; 1 data file missing; 3 data error, or the report could not\n"
         "be written (another run is writing it, a link or folder stands in its place, the disk\n"
         "is full: the earlier report is kept); 5 too many parameters or too few data points;\n"
         "6 model incompatible with the columns; 4 the data suggest the other kind of model;\n"
         "7 a picture could not be written; 9 every fit failed (the report says why); 2 usage\n"
         "error.\n";
}

}  // namespace velmor::app
