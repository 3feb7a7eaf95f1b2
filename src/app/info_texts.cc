// SPDX-License-Identifier: MIT

#include "app/info_texts.h"

#include <array>

namespace velmor::app {
namespace {

// The example's three curves: [So] as written in the file, then the product at each time.
constexpr std::array<const char*, 9> kExampleTimes = {"0.0",   "40.0",  "120.0", "160.0", "200.0",
                                                      "240.0", "280.0", "320.0", "360.0"};
struct ExampleCurve {
  const char* so;
  const char* note;  // follows the numbers on the curve's first line
  std::array<const char*, 9> product;
};
constexpr std::array<ExampleCurve, 3> kExampleCurves = {{
    {"50.0",
     "   <-- CURVE #1 [So]=50",
     {"0.534", "13.746", "32.728", "42.628", "45.370", "50.784", "50.427", "51.246", "48.362"}},
    {"100.0",
     "   <-- CURVE #2 [So]=100",
     {"-0.641", "14.850", "37.821", "50.926", "61.111", "73.611", "83.974", "93.091", "98.682"}},
    {"500.0",
     "   <-- CURVE #3 [So]=500",
     {"2.315", "14.138", "42.735", "57.799", "71.688", "84.473", "97.009", "112.180", "123.469"}},
}};

std::vector<std::string> example_lines(bool with_notes) {
  std::vector<std::string> lines;
  for (const ExampleCurve& curve : kExampleCurves) {
    for (std::size_t i = 0; i < kExampleTimes.size(); ++i) {
      std::string line = std::string(kExampleTimes[i]) + '\t' + curve.so + '\t' + curve.product[i];
      if (with_notes && i == 0) line += curve.note;
      lines.push_back(std::move(line));
    }
  }
  return lines;
}

constexpr const char* kHelpTitle =
    "          VELMOR-TARN - Enzyme Progress Curve Modeling Software";

}  // namespace

std::string join_screen_lines(const std::vector<std::string>& lines, std::size_t buffer_length) {
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += "\r\n";
    text += lines[i];
  }
  if (text.size() > buffer_length) text.resize(buffer_length);
  return text;
}

std::string model_library_text() {
  return join_screen_lines(
      {
          "",
          "",
          "NOTE: Data files require Time, [So], Product or Substrate data in 3 columns.",
          "",
          "1- Product vs time Integrated Michaelis-Menten: Parameters=2",
          "   y = So - Km*OmegW((So/Km)*EXP((So-Vm*t)/Km))",
          "",
          "2- Product vs time Integrated Michaelis-Menten - Baseline: Parameters=3",
          "   y = So - Km*OmegaW((So/Km)*EXP((So-Vm*t)/Km)) + bkg",
          "",
          "3- Substrate vs time Integrated Michaelis-Menten: Parameters=2",
          "   y = Km*OmegaW((So/Km)*EXP((So-Vm*t)/Km))",
          "",
          "4- Substrate vs time Integrated Michaelis-Menten - Baseline: Parameters=3",
          "    y = Km*OmegaW((So/Km)*EXP((So-Vm*t)/Km)) + bkg",
          "",
          "5- Product vs time - competitive product inhibition: Parameters=3",
          "   y = So - (b/a)*OmegaW((a*So/b)*EXP((a*So-Vm*t)/b)), a=1-Km/Kp, b=Km*(1+So/Kp)",
          "",
          "6- Substrate vs time - competitive product inhibition: Parameters=3",
          "   y = (b/a)*OmegaW((a*So/b)*EXP((a*So-Vm*t)/b)), a=1-Km/Kp, b=Km*(1+So/Kp)",
          "",
          "7- Product vs time - enzyme inactivation: Parameters=3",
          "   y = So - Km*OmegaW((So/Km)*EXP((So-Vm*T)/Km)), T=(1-EXP(-kinact*t))/kinact",
          "",
          "8- Substrate vs time - enzyme inactivation: Parameters=3",
          "   y = Km*OmegaW((So/Km)*EXP((So-Vm*T)/Km)), T=(1-EXP(-kinact*t))/kinact",
          "",
          "o AIC is a statistical method to compare different models.",
          "  Corrected AICc = n*LN(SSR/n) + (factor)*(p+1)*n/(n-p)",
          "  Where factor is a function of p and n.",
          "o Akaike Weight: Wti = EXP(-0.5*(AICc,i-AICcmin)) /",
          "  SUM,j=1[ EXP(-0.5*(AICc,j-AICcmin)) ]",
          "o LER = Log(Evidence Ratio (WtMin/Wti)) of Akaike AICc weights",
      },
      kModelLibraryBuffer);
}

std::vector<std::string> example_data_lines() {
  return example_lines(false);
}

std::string example_file_text() {
  std::vector<std::string> lines = {
      "",
      "Example input data file structure (DATA.IN):",
      "Column 1: 1st Independent variable Time data",
      "Column 2: 2nd Independent variable initial [So] data",
      "Column 3: Dependent variable [Product] or [Substrate]",
      "",
      "Number of curves: At least 3 curves are recommended.",
      "",
      "ENTER DATA IN COLUMNS ON 1ST LINE USING NOTEPAD TEXT FILE.",
      std::string(41, '~'),
  };
  for (std::string& line : example_lines(true)) lines.push_back(std::move(line));
  return join_screen_lines(lines, kExampleFileBuffer);
}

std::string help_text() {
  return join_screen_lines(
      {
          "",
          "",
          kHelpTitle,
          "          Version 3.5. Free software for the kinetic analysis of enzyme",
          "          progress curves; it comes with ABSOLUTELY NO WARRANTY.",
          "",
          " INSTRUCTIONS:",
          "",
          "   1- Open a data file (filename.in) by selecting the [OpenData] menu.",
          "   2- Choose one or more models to analyze by selecting [Models].",
          "   3- Choose whether to weight the regression by selecting [Weight].",
          "   4- Select the [Run] menu to execute the regression analysis.",
          "   5- For multiple models, close each plot after it is displayed.",
          "   6- The [XY_Plot] menu displays the best-fit model.",
          "   7- The [Residuals] menu displays residuals of the best-fit model.",
          "   8- The [Clear) menu clears the displayed results.",
          "   9- All results are saved in filename.out.",
          "   10- To end the program select [Quit].",
          "   11- The data file structure is shown in [File/Example Data File].",
          "   12- The internal library of models is display in [File/Model Library.",
          "   13- Progress curve models are discribed in [File/Enzymatic Mechanism].",
      },
      kHelpBuffer);
}

std::string mechanism_text() {
  return join_screen_lines(
      {
          "VELMOR-TARN - Enzyme Progress Curve Modeling Software",
          "",
          "Explicit, Closed-form Solutions to Progress Curves",
          "",
          "Velmor-TARN estimates the kinetic parameters of enzyme-catalysed reactions",
          "from progress-curve data: the concentration of product formed, or of",
          "substrate remaining, measured over the time course of the reaction.",
          "It applies to every mechanism whose rate equation reduces to a form",
          "analogous to the Michaelis-Menten equation.",
          "The integrated rate equation is solved with the Lambert W function (OmegaW),",
          "which gives explicit, closed-form solutions for substrate depletion and",
          "product accumulation. The nonlinear estimation therefore rests on basic",
          "algebraic expressions instead of a numerical integration of the rate law.",
          "Vmax and Km are estimated from whole progress curves rather than from",
          "pairs of initial velocity and substrate concentration, so a few curves",
          "at different [So] replace a long series of initial-rate assays.",
          "",
          "Reference.: ",
          "o Michaelis L, Menten ML (1913) Die Kinetik der Invertinwirkung.",
          "  Biochem Z 49:333-369.",
          "o Orsi BA, Tipton KF (1979) Kinetic analysis of progress curves.",
          "  Methods Enzymol 63:159-183.",
          "o Duggleby RG (1995) Analysis of enzyme progress curves by nonlinear",
          "  regression. Methods Enzymol 249:61-90.",
          "o Corless RM, Gonnet GH, Hare DEG, Jeffrey DJ, Knuth DE (1996) On the",
          "  Lambert W function. Adv Comput Math 5:329-359.",
          "o Schnell S, Mendoza C (1997) Closed form solution for time-dependent",
          "  enzyme kinetics. J Theor Biol 187:207-212.",
          "o Cornish-Bowden A (2012) Fundamentals of Enzyme Kinetics, 4th ed.",
          "  Wiley-Blackwell, Weinheim.",
      },
      kMechanismBuffer);
}

std::string about_text() {
  return join_screen_lines(
      {
          "",
          "VELMOR-TARN - Enzyme Progress of Reaction Software",
          "",
          "Version 3.5",
          "Kinetic analysis of enzyme progress curves with integrated",
          "Michaelis-Menten models and the Lambert W function.",
          "",
          "This program is provided as is and comes with ABSOLUTELY NO WARRANTY,",
          "not even the implied warranty of MERCHANTABILITY or FITNESS FOR A",
          "PARTICULAR PURPOSE. Check every result before you rely on it.",
          "",
      },
      kAboutBuffer);
}

std::vector<std::string> splash_lines() {
  return {
      "",
      "Velmor-TARN - Enzyme Progress of Reaction Modeling Software",
      "",
      "Velmor-TARN is a nonlinear regression optimization routine",
      "using Nelder-Mead Simplex and Quadratic-programming techniques",
      "to find the best-fit parameter values to progress curve models.",
      "",
      "This software is provided as is, without warranty of any kind.",
      "The user is responsible for checking every result",
      "before relying on it.",
      "",
      "Version 3.5",
  };
}

}  // namespace velmor::app
