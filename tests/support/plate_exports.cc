// SPDX-License-Identifier: MIT
#include "plate_exports.h"

#include <cmath>
#include <cstdio>
#include <iterator>

#include "data_family.h"
#include "reference_model.h"

namespace velmor::testing {
namespace {

constexpr int kPlateRows = 8;
constexpr int kPlateColumns = 12;
constexpr int kBlankColumn = 10;  // blanks in H10, H11, H12

std::string well_of(int row, int column, bool zero_padded = false) {
  char name[8];
  std::snprintf(name, sizeof name, zero_padded ? "%c%02d" : "%c%d", 'A' + row, column);
  return name;
}

// "0.0451", or "0,0451" with a decimal comma.
std::string reading(double value, bool comma = false) {
  char text[32];
  std::snprintf(text, sizeof text, "%.4f", value);
  std::string s = text;
  if (comma) s[s.find('.')] = ',';
  return s;
}

std::string clock(double minutes, bool two_digit_hours) {
  const int total = static_cast<int>(std::lround(minutes * 60.0));
  char text[32];
  std::snprintf(text, sizeof text, two_digit_hours ? "%02d:%02d:%02d" : "%d:%02d:%02d",
                total / 3600, total / 60 % 60, total % 60);
  return text;
}

std::string gen5(const PlateRun& run) {
  std::string out =
      "Software Version\t3.11.19\r\n"
      "Experiment File Path:\tC:\\Users\\lab\\pNPP kinetics.xpt\r\n"
      "Protocol File Path:\t\r\n"
      "Plate Number\tPlate 1\r\n"
      "Date\t1/15/2024\r\n"
      "Time\t10:34:12 AM\r\n"
      "Reader Type:\tSynergy H1\r\n"
      "Reader Serial Number:\t21042815\r\n"
      "Reading Type\tReader\r\n"
      "\r\n"
      "Procedure Details\r\n"
      "Plate Type\t96 WELL PLATE (Use plate lid)\r\n"
      "Set Temperature\tSetpoint 30\xB0"
      "C\r\n"
      "Start Kinetic\tRuntime 1:00:00 (HH:MM:SS), Interval 0:01:00, 61 Reads\r\n"
      "    Read\tAbsorbance Endpoint\r\n"
      "\tFull Plate\r\n"
      "\tWavelengths:  405\r\n"
      "End Kinetic\r\n"
      "\r\n"
      "405\r\n"
      "\r\n"
      "Time\tT\xB0 405";
  for (const std::string& well : run.wells) out += "\t" + well;
  out += "\r\n";
  for (std::size_t r = 0; r < run.minutes.size(); ++r) {
    out += clock(run.minutes[r], false) + "\t30.0";
    for (std::size_t w = 0; w < run.wells.size(); ++w) out += "\t" + reading(run.signal[w][r]);
    out += "\r\n";
  }
  out += "\r\nResults\r\nWell\tMean V\r\nA1\t12.3\r\n";
  return out;
}

std::string tecan(const PlateRun& run, bool german) {
  const char sep = german ? ';' : '\t';
  const auto row = [&](const std::string& label, const std::vector<std::string>& cells) {
    std::string line = label;
    for (const std::string& c : cells) line += sep + c;
    return line + "\r\n";
  };
  std::string out =
      german
          ? "Anwendung: Tecan i-control\r\nTecan i-control , 2.0.10.0\r\n"
            "Ger\xE4t: Spark;Seriennummer: 1811004012\r\nDatum:;15.01.2024\r\nZeit:;10:34:12\r\n"
            "\r\nModus;Absorbanz\r\nMesswellenl\xE4nge;405;nm\r\nKinetische Zyklen;61\r\n"
            "Startzeit:;15.01.2024 10:34:15\r\n\r\n"
          : "Application: Tecan i-control\r\nTecan i-control , 2.0.10.0\r\n"
            "Device: Spark\tSerial number: 1811004012\r\nDate:\t15/01/2024\r\nTime:\t10:34:12\r\n"
            "\r\nMode\tAbsorbance\r\nMeasurement wavelength\t405\tnm\r\nKinetic Cycles\t61\r\n"
            "Start Time:\t15/01/2024 10:34:15\r\n\r\n";
  std::vector<std::string> cycles;
  std::vector<std::string> seconds;
  std::vector<std::string> temperatures;
  for (std::size_t r = 0; r < run.minutes.size(); ++r) {
    cycles.push_back(std::to_string(r + 1));
    seconds.push_back(std::to_string(std::lround(run.minutes[r] * 60.0)));
    temperatures.emplace_back(german ? "25,1" : "25.1");
  }
  out += row(german ? "Zyklus Nr." : "Cycle Nr.", cycles);
  out += row(german ? "Zeit [s]" : "Time [s]", seconds);
  out +=
      row("Temp. [\xB0"
          "C]",
          temperatures);
  for (std::size_t w = 0; w < run.wells.size(); ++w) {
    std::vector<std::string> values;
    for (const double v : run.signal[w]) values.push_back(reading(v, german));
    out += row(run.wells[w], values);
  }
  out += german ? "\r\nEndzeit:;15.01.2024 11:35:02\r\n" : "\r\nEnd Time:\t15/01/2024 11:35:02\r\n";
  return out;
}

std::string mars(const PlateRun& run) {
  std::string out =
      "User: USER\r\nPath: C:\\Program Files (x86)\\BMG\\CLARIOstar\\User\\Data\r\n"
      "Test ID: 1042\r\nTest Name: pNPP kinetics\r\nDate: 15/01/2024\r\nTime: 10:34:12 AM\r\n"
      "Absorbance\r\n\r\nWell,Content";
  for (const double m : run.minutes) out += "," + std::to_string(static_cast<int>(m)) + " min";
  out += "\r\n";
  for (std::size_t w = 0; w < run.wells.size(); ++w) {
    const int row = run.wells[w][0] - 'A';
    const int column = std::stoi(run.wells[w].substr(1));
    const bool blank = row == kPlateRows - 1 && column >= kBlankColumn;
    out +=
        well_of(row, column, true) + "," + (blank ? "Blank B" : "Sample X" + std::to_string(w + 1));
    for (const double v : run.signal[w]) out += "," + reading(v);
    out += "\r\n";
  }
  return out;
}

std::string softmax(const PlateRun& run) {
  std::string out =
      "##BLOCKS= 1\r\n"
      "Plate:\tPlate1\t1.3\tPlateFormat\tKinetic\tAbsorbance\tRaw\tFALSE\t1\t\t\t\t\t61\t60\t1\t1"
      "\t12\t96\t1\t8\tNone\t\r\n"
      "\tTime\tTemperature(\xB0"
      "C)";
  for (int c = 1; c <= kPlateColumns; ++c) out += "\t" + std::to_string(c);
  out += "\t\r\n";
  for (std::size_t r = 0; r < run.minutes.size(); ++r) {
    for (int row = 0; row < kPlateRows; ++row) {
      out += row == 0 ? "\t" + clock(run.minutes[r], true) + "\t25.0" : "\t\t";
      for (int c = 0; c < kPlateColumns; ++c) {
        const int well = row * kPlateColumns + c;
        out += "\t" + reading(run.signal[static_cast<std::size_t>(well)][r]);
      }
      out += "\t\r\n";
    }
    out += "\r\n";
  }
  out += "~End\r\nOriginal Filename: pNPP kinetics; Date Last Saved: 1/15/2024 11:35:02 AM\r\n";
  return out;
}

// As pivot_longer writes a wide table: sorted by time, the wells interleaved.
std::string tidy_long(const PlateRun& run) {
  std::string out = "well,time_min,A405\n";
  for (std::size_t r = 0; r < run.minutes.size(); ++r) {
    for (std::size_t w = 0; w < run.wells.size(); ++w) {
      out += run.wells[w] + "," + std::to_string(static_cast<int>(run.minutes[r])) + "," +
             reading(run.signal[w][r]) + "\n";
    }
  }
  return out;
}

// Each layout's file name, name and writer, in the order of ExportLayout.
struct LayoutInfo {
  const char* file;
  const char* name;
  std::string (*text)(const PlateRun&);
};
constexpr LayoutInfo kLayoutInfo[] = {
    {"gen5.txt", "BioTek Gen5", gen5},
    {"tecan_en.txt", "Tecan i-control (English)",
     [](const PlateRun& r) { return tecan(r, false); }},
    {"tecan_de.csv", "Tecan Spark (German Excel)",
     [](const PlateRun& r) { return tecan(r, true); }},
    {"mars.csv", "BMG MARS", mars},
    {"softmax.txt", "SoftMax Pro plate blocks", softmax},
    {"tidy.csv", "tidy long table", tidy_long},
};
static_assert(std::size(kLayoutInfo) == std::size(kExportLayouts));

const LayoutInfo& layout_info(ExportLayout layout) {
  return kLayoutInfo[static_cast<std::size_t>(layout)];
}

}  // namespace

double true_product(const PlateDesign& design, double so, double minutes) {
  return model_value(1, minutes, so, {design.km, design.vm, 0.0});
}

PlateRun simulate_plate(const PlateDesign& design) {
  PlateRun run;
  run.design = design;
  SplitMix64 random(design.seed);
  for (int r = 0; r < design.reads; ++r) run.minutes.push_back(r);
  for (int row = 0; row < kPlateRows; ++row) {
    for (int c = 1; c <= kPlateColumns; ++c) {
      const std::string well = well_of(row, c);
      const bool sample = row < design.replicates && c <= static_cast<int>(design.so.size());
      const bool blank = row == kPlateRows - 1 && c >= kBlankColumn;
      const double so = sample ? design.so[static_cast<std::size_t>(c - 1)] : 0.0;
      std::vector<double> values;
      for (const double m : run.minutes) {
        const double base = design.blank + design.blank_drift * m;
        double v = sample  ? base + design.signal_per_conc * true_product(design, so, m)
                   : blank ? base
                           : 0.040;  // an empty well
        v += design.noise * random.normal();
        char text[32];
        std::snprintf(text, sizeof text, "%.4f", v);
        values.push_back(std::stod(text));
      }
      run.wells.push_back(well);
      run.signal.push_back(values);
      if (sample) run.layout.push_back({well, so, false, "rep" + std::to_string(row + 1)});
      if (blank) run.layout.push_back({well, 0.0, true, ""});
    }
  }
  return run;
}

std::string export_text(const PlateRun& run, ExportLayout layout) {
  return layout_info(layout).text(run);
}

std::string export_file_name(ExportLayout layout) {
  return layout_info(layout).file;
}

std::string export_layout_name(ExportLayout layout) {
  return layout_info(layout).name;
}

std::string layout_csv(const PlateRun& run, bool zero_padded) {
  std::string out = "well,S0 [uM],role,group\n";
  for (const PlateWell& w : run.layout) {
    const std::string well =
        zero_padded ? well_of(w.well[0] - 'A', std::stoi(w.well.substr(1)), true) : w.well;
    char so[32];
    std::snprintf(so, sizeof so, "%g", w.so);
    out += well + "," + (w.blank ? "" : so) + "," + (w.blank ? "blank" : "sample") + "," + w.group +
           "\n";
  }
  return out;
}

}  // namespace velmor::testing
