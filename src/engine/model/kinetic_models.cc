#include "engine/model/kinetic_models.h"

#include <array>
#include <cmath>
#include <limits>
#include <string_view>

#include "engine/model/lambert_w.h"

namespace velmor {
namespace {

constexpr std::array<std::string_view, 5> kShortNames = {
    "0- MODEL NOT DEFINED!",
    "1- [Pt] vs time Michaelis-Menten",
    "2- [Pt] vs time Michaelis-Menten - Bkg",
    "3- [St] vs time Michaelis-Menten",
    "4- [St] vs time Michaelis-Menten - Bkg",
};

// Lines 1, 2 and 4 of the description block of models 1..4 (lines 3 and 5 are empty).
struct Description {
  std::string_view title;
  std::string_view formula;
  std::string_view formula_in_parameters;
};

constexpr std::array<Description, 4> kDescriptions = {{
    {"1- Product vs time Integrated Michaelis-Menten:",
     "y = So - Km*OmegaW((So/Km)*EXP((So-Vm*t)/Km))",
     "y = X2 - P1*OmegaW((X2/P1)*(EXP((X2-P2*X1)/P1)))"},
    {"2- Product vs time Integrated Michaelis-Menten - baseline:",
     "y = So - Km*OmegaW((So/Km)*EXP((So-Vm*t)/Km)) + bkg",
     "y = X2 - P1*OmegaW((X2/P1)*(EXP((X2-P2*X1)/P1))) + P3"},
    {"3- Substrate vs time Integrated Michaelis-Menten:",
     "y = Km*OmegaW((So/Km)*EXP((So-Vm*t)/Km))", "y = P1*OmegaW((X2/P1)*(EXP((X2-P2*X1)/P1)))"},
    {"4- Substrate vs time Integrated Michaelis-Menten - baseline:",
     "y = Km*OmegaW((So/Km)*EXP((So-Vm*t)/Km)) + bkg",
     "y = P1*OmegaW((X2/P1)*(EXP((X2-P2*X1)/P1))) + P3"},
}};

bool is_defined(ModelId model) {
  return model >= 1 && model <= kModelCount;
}

// "(10X,'MODEL NAME:  ',A)" and "(15X,A)" with the text's trailing blanks trimmed.
void write_title_line(std::ostream& out, std::string_view text) {
  out << std::string(10, ' ') << "MODEL NAME:  " << text << '\n';
}
void write_text_line(std::ostream& out, std::string_view text) {
  out << std::string(15, ' ') << text << '\n';
}

}  // namespace

double func(ModelId model, double x1, double x2, double /*y*/, const ParamVector& p) {
  if (!is_defined(model)) return std::numeric_limits<double>::quiet_NaN();
  const double km = p[0];
  const double vm = p[1];

  const double d = x2 - vm * x1;
  const double e = std::exp(d / km);
  const double z = e * (x2 / km);
  // z = +inf: the exponential overflowed although W itself is moderate (W is about x2 / Km at
  // t = 0); ln z = d / Km + ln(x2 / Km) is still exact enough to give W.
  const double w = z == std::numeric_limits<double>::infinity()
                       ? lambert_w_of_log(d / km + std::log(x2 / km))
                       : omegw(z);

  switch (model) {
    case 1:
      return x2 - w * km;
    case 2:
      return x2 - w * km + p[2];
    case 3:
      return w * km;
    default:
      return w * km + p[2];
  }
}

int npar(ModelId model, std::string& model_name, std::size_t name_length) {
  const std::string_view name = kShortNames[is_defined(model) ? model : 0];
  model_name.assign(name.substr(0, name_length));
  model_name.resize(name_length, ' ');
  switch (model) {
    case 1:
    case 3:
      return 2;
    case 2:
    case 4:
      return 3;
    default:
      return 0;
  }
}

void model_names(std::ostream& out, ModelId model) {
  if (!is_defined(model)) {
    write_text_line(out, "");
    return;
  }
  const Description& block = kDescriptions[model - 1];
  write_title_line(out, block.title);
  write_text_line(out, block.formula);
  write_text_line(out, "");
  write_text_line(out, block.formula_in_parameters);
  write_text_line(out, "");
}

}  // namespace velmor
