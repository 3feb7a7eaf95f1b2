// SPDX-License-Identifier: MIT

#include "app/batch/batch_options.h"

#include <cmath>
#include <sstream>
#include <string>
#include <utility>

#include "util/number_text.h"

#ifndef VELMOR_VERSION
#define VELMOR_VERSION "unknown"
#endif

namespace velmor::app {
namespace {

// "1,2,4" -> flags; false on anything but model numbers 1..8 separated by commas.
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

bool parse_jobs(const std::string& text, int& jobs) {
  if (text.empty() || text.size() > 4) return false;
  int value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  if (value < 1 || value > kMaxJobs) return false;
  jobs = value;
  return true;
}

}  // namespace

ParseResult parse_command_line(const std::vector<std::string>& args) {
  CommandLine cl;
  bool batch = false;
  bool batch_options = false;  // an option that only --batch takes
  bool format_given = false;
  bool residual_x_given = false;
  bool only_inputs = false;  // after "--"
  for (size_t i = 0; i < args.size(); ++i) {
    std::string a = args[i];
    std::optional<std::string> attached;  // "--jobs=4", "-j4"
    if (!only_inputs && a.starts_with("--") && a.find('=') != std::string::npos) {
      attached = a.substr(a.find('=') + 1);
      a.erase(a.find('='));
    } else if (!only_inputs && a.starts_with("-j") && a.size() > 2) {
      attached = a.substr(2);
      a = "-j";
    }
    auto value = [&]() -> std::optional<std::string> {
      if (attached) return std::exchange(attached, std::nullopt);
      if (i + 1 >= args.size()) return std::nullopt;
      return args[++i];
    };
    if (only_inputs || !a.starts_with("-")) {
      cl.inputs.push_back(args[i]);
      continue;
    }
    if (a == "--help" || a == "-h") {
      cl.mode = CommandLine::Mode::kHelp;
      return {cl, {}};
    } else if (a == "--version") {
      cl.mode = CommandLine::Mode::kVersion;
      return {cl, {}};
    } else if (a == "--batch") {
      // The first name after --batch is a data file whatever it looks like.
      auto v = value();
      if (!v || v->empty()) return {std::nullopt, "--batch needs a data file or folder"};
      batch = true;
      cl.inputs.push_back(*v);
    } else if (a == "--") {
      only_inputs = true;
    } else if (a == "--models") {
      auto v = value();
      if (!v || !parse_models(*v, cl.models)) {
        return {std::nullopt, "--models needs model numbers 1 to 8 separated by commas, e.g. 1,2"};
      }
      batch_options = true;
    } else if (a == "--baseline") {
      auto v = value();
      if (!v || (*v != "free" && *v != "nonnegative")) {
        return {std::nullopt, "--baseline needs free or nonnegative"};
      }
      cl.baseline_free = *v == "free";
      batch_options = true;
    } else if (a == "--robust") {
      cl.robust = true;
      batch_options = true;
    } else if (a == "--method") {
      auto v = value();
      if (!v || (*v != "classic" && *v != "fast")) {
        return {std::nullopt, "--method needs classic or fast"};
      }
      cl.fast = *v == "fast";
      batch_options = true;
    } else if (a == "--plots") {
      auto v = value();
      if (!v || v->empty()) return {std::nullopt, "--plots needs a folder"};
      cl.plots_dir = *v;
      batch_options = true;
    } else if (a == "--plot-format") {
      auto v = value();
      if (!v || (*v != "png" && *v != "svg" && *v != "pdf")) {
        return {std::nullopt, "--plot-format needs png, svg or pdf"};
      }
      cl.plot_format = *v;
      format_given = true;
      batch_options = true;
    } else if (a == "--residual-x") {
      auto v = value();
      if (!v || (*v != "number" && *v != "time")) {
        return {std::nullopt, "--residual-x needs number or time"};
      }
      cl.residuals_by_time = *v == "time";
      residual_x_given = true;
      batch_options = true;
    } else if (a == "-j" || a == "--jobs") {
      auto v = value();
      if (!v || !parse_jobs(*v, cl.jobs)) {
        return {std::nullopt, a + " needs a number of files from 1 to " + std::to_string(kMaxJobs)};
      }
      batch_options = true;
    } else if (a == "--summary") {
      auto v = value();
      if (!v || v->empty()) return {std::nullopt, "--summary needs a file name"};
      cl.summary_file = *v;
      batch_options = true;
    } else if (a == "--columns") {
      auto v = value();
      if (!v || !parse_data_columns(*v, cl.columns)) {
        return {std::nullopt,
                "--columns needs three column names or numbers separated by commas, e.g. "
                "T,SO,Y"};
      }
      batch_options = true;
    } else if (a == "--layout") {
      auto v = value();
      if (!v || v->empty()) return {std::nullopt, "--layout needs a layout file"};
      cl.import.layout_file = *v;
      batch_options = true;
    } else if (a == "--signal-per-conc") {
      auto v = value();
      double k = 0.0;
      if (!v || !util::parse_finite_number(*v, k) || !(k > 0.0)) {
        return {std::nullopt,
                "--signal-per-conc needs a number above 0: signal units per concentration unit, "
                "e.g. 0.01008"};
      }
      cl.import.signal_per_conc = k;
      batch_options = true;
    } else if (a == "--blank") {
      auto v = value();
      double b = 0.0;
      if (v && *v == "auto") {
        cl.import.blank = BlankMode::kAuto;
      } else if (v && *v == "none") {
        cl.import.blank = BlankMode::kNone;
      } else if (v && util::parse_finite_number(*v, b)) {
        cl.import.blank = BlankMode::kValue;
        cl.import.blank_value = b;
      } else {
        return {std::nullopt, "--blank needs auto, none or a number"};
      }
      batch_options = true;
    } else if (a == "--species" || a == "--substrate") {
      auto v = value();
      if (!v || v->empty()) return {std::nullopt, a + " needs a species id"};
      (a == "--species" ? cl.import.species : cl.import.substrate) = *v;
      batch_options = true;
    } else if (a == "--points") {
      auto v = value();
      if (!v || v->empty()) return {std::nullopt, "--points needs a file name"};
      cl.points_file = *v;
      batch_options = true;
    } else {
      return {std::nullopt, "unknown argument: " + args[i]};
    }
    if (attached) return {std::nullopt, a + " takes no value"};
  }
  if (!batch) {
    if (batch_options) {
      return {std::nullopt,
              "--models, --method, --robust, --baseline, --plots, --plot-format, --residual-x, "
              "--jobs, --summary, --columns, --layout, --signal-per-conc, --blank, --species, "
              "--substrate and --points belong to --batch"};
    }
    if (!cl.inputs.empty()) return {std::nullopt, "data files belong to --batch"};
    return {cl, {}};
  }
  if (format_given && cl.plots_dir.empty()) {
    return {std::nullopt, "--plot-format belongs with --plots"};
  }
  if (residual_x_given && cl.plots_dir.empty()) {
    return {std::nullopt, "--residual-x belongs with --plots"};
  }
  cl.mode = CommandLine::Mode::kBatch;
  return {cl, {}};
}

std::string usage_text(const std::string& program_name) {
  return "Usage: " + program_name + "                      open the program's window\n" +
         "       " + program_name + " --batch FILE_OR_FOLDER... [options]\n" + "       " +
         program_name +
         " --help | --version\n"
         "\n"
         "Batch mode fits the chosen models (default: 1 to 4) to each data file as the Run\n"
         "command does and writes each report next to its data file, with the extension \"out\".\n"
         "A folder stands for its *.in, *.csv and *.tsv files, its *.txt files holding a table\n"
         "and its *.json EnzymeML documents. Data files are the program's own (time, [So],\n"
         "product or substrate in three columns) or tables separated by commas, semicolons or\n"
         "tabs whose header names the columns (time or t; S0, So or [So]; product, P, substrate,\n"
         "S or y), wide tables of one column per curve (t, S0=50, S0=100), plate reader exports\n"
         "(BioTek Gen5, Tecan, BMG MARS, SoftMax Pro), long tables with a well or id column, or\n"
         "EnzymeML v2 documents (.json). Times may be written 0:01:00, 1 min, 30 s, 1.5 h.\n"
         "A name without a '.' in its own name is read with its blanks removed and \".in\"\n"
         "added (mydata: mydata.in).\n"
         "  --models LIST        models to fit, numbers separated by commas (default 1,2,3,4):\n"
         "                       1, 2 product and 3, 4 substrate vs time, Michaelis-Menten\n"
         "                       (2, 4 with a baseline); 5 product and 6 substrate with\n"
         "                       competitive product inhibition (Kp); 7 product and 8\n"
         "                       substrate with first-order enzyme inactivation (kinact)\n"
         "  --method NAME        classic: the chain of stages (default); fast: a multi-start\n"
         "                       Levenberg-Marquardt fit from the data (without weights)\n"
         "  --robust             robust weighting (default: none)\n"
         "  --baseline MODE      nonnegative: the baseline of models 2 and 4 is 0 or above\n"
         "                       (default); free: it may take either sign\n"
         "  -j, --jobs N         fit N files at a time (default: one per processor core)\n"
         "  --summary FILE       write one row per file and model to FILE: CSV, or JSON when\n"
         "                       its name ends in .json (estimates, Wald and profile limits,\n"
         "                       Vm/Km, runs test p, AICc ranking, warnings); never a data\n"
         "                       file, report or picture of the run\n"
         "  --plots DIR          also write the fit and residual pictures into DIR\n"
         "  --plot-format FMT    png (default), svg or pdf\n"
         "  --residual-x X       the residual picture against the row number (default) or\n"
         "                       the time: number or time\n"
         "  --columns T,SO,Y     the table columns of time, [So] and the observation, by\n"
         "                       header name or number (a file of the program's own format\n"
         "                       is refused)\n"
         "  --layout FILE        the plate layout: a CSV table of well, S0, role (sample or\n"
         "                       blank) and group; default: DATA.layout.csv beside DATA.txt.\n"
         "                       Each group is fitted on its own (report DATA.GROUP.out)\n"
         "  --signal-per-conc K  divide (signal - blank) by K, the signal per concentration\n"
         "                       unit of [So] (e.g. 0.01008 A per uM)\n"
         "  --blank MODE         auto: subtract the mean of the blank wells read by read\n"
         "                       (default with blank wells in the layout); none; or a value\n"
         "  --species ID         EnzymeML: the observed species (default: the one observed)\n"
         "  --substrate ID       EnzymeML: the species whose initial amount is [So]\n"
         "  --points FILE        write one row per observation and model (t, y, fitted,\n"
         "                       residual, weight) to FILE: CSV, or JSON for .json\n"
         "  --help               print this text\n"
         "  --version            print the program's name and version\n"
         "\n"
         "Exit status: 0 every file completed; otherwise the most serious status of a file, in\n"
         "this order: 1 data file missing; 3 data error, or the report could not be written\n"
         "(another run is writing it, a link or folder stands in its place, the disk is full:\n"
         "the earlier report is kept); 4 the data suggest the other kind of model; 6 model\n"
         "incompatible with the columns; 5 too many parameters or too few data points; 9 every\n"
         "fit failed (the report says why); 7 a picture, the summary or the points table could\n"
         "not be written.\n"
         "2 usage error. Stopped by a signal: 128 + the signal (130 SIGINT, 143 SIGTERM, 129\n"
         "SIGHUP, 141 SIGPIPE); the files done are kept and summarised, no lock or temporary\n"
         "file is left.\n"
         "\n"
         "The window keeps its size for the next start in "
         "$XDG_CONFIG_HOME/velmor-tarn/window.conf\n"
         "(by default ~/.config/velmor-tarn/window.conf).\n";
}

std::string version_text(const std::string& program_name) {
  return program_name + " " + VELMOR_VERSION + "\n";
}

}  // namespace velmor::app
