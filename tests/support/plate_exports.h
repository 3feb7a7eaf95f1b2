// SPDX-License-Identifier: MIT
#pragma once

// Simulated kinetic plate reads written as instruments export them, for judging the import
// readers: a 96-well plate of product curves (pNPP at 405 nm) with a known Km and Vm, [So] in
// replicate rows, blank wells, noise and a drifting blank, written in the layouts of BioTek
// Gen5, Tecan i-control and Spark (English and German), BMG MARS, SoftMax Pro's plate blocks
// and a tidy long table. Deterministic: noise from SplitMix64, curves from reference_model.h.
#include <cstdint>
#include <string>
#include <vector>

namespace velmor::testing {

struct PlateDesign {
  double km = 40.0;                  // uM
  double vm = 2.0;                   // uM per minute
  double signal_per_conc = 0.01008;  // A per uM (epsilon 18000 /M/cm, path 0.56 cm)
  std::vector<double> so = {5, 10, 20, 40, 80, 160, 320};  // uM, one plate column each
  int replicates = 3;           // plate rows A, B, C ...: groups rep1, rep2, rep3
  int reads = 61;               // one a minute from 0
  double noise = 0.0008;        // A, standard deviation
  double blank = 0.045;         // A of a blank at the start ...
  double blank_drift = 0.0002;  // ... rising by this per minute
  std::uint64_t seed = 23;
};

// A plate's wells as the layout names them.
struct PlateWell {
  std::string well;
  double so = 0.0;  // 0 for blanks
  bool blank = false;
  std::string group;
};

struct PlateRun {
  PlateDesign design;
  std::vector<double> minutes;              // the reads' times
  std::vector<std::string> wells;           // all 96, A1 .. H12 row by row
  std::vector<std::vector<double>> signal;  // [well][read], A, rounded to 4 decimals
  std::vector<PlateWell> layout;            // samples (rows A.., columns 1..) and blanks H10..H12
};

PlateRun simulate_plate(const PlateDesign& design);

enum class ExportLayout { kGen5, kTecanEnglish, kTecanGerman, kMars, kSoftMax, kTidyLong };
inline constexpr ExportLayout kExportLayouts[] = {
    ExportLayout::kGen5, ExportLayout::kTecanEnglish, ExportLayout::kTecanGerman,
    ExportLayout::kMars, ExportLayout::kSoftMax,      ExportLayout::kTidyLong};

// The export's bytes (Latin-1 where the instrument writes it so) and the file name it is saved
// under ("gen5.txt", "tecan_de.csv", ...).
std::string export_text(const PlateRun& run, ExportLayout layout);
std::string export_file_name(ExportLayout layout);
std::string export_layout_name(ExportLayout layout);

// The layout file: "well,S0 [uM],role,group", wells as `zero_padded` ("A01") or not.
std::string layout_csv(const PlateRun& run, bool zero_padded = false);

// The product (uM) of the model at the design's Km and Vm: the noise-free truth of a well.
double true_product(const PlateDesign& design, double so, double minutes);

}  // namespace velmor::testing
