// SPDX-License-Identifier: MIT
#include "engine/driver/parameter_names.h"

#include <cctype>

#include "engine/model/kinetic_models.h"

namespace velmor {

std::string parameter_name(ModelId model, int j) {
  switch (j) {
    case 0:
      return "Km";
    case 1:
      return "Vm";
    case 2:
      if (model_has_baseline(model)) return "baseline";
      break;
    default:
      break;
  }
  return "P" + std::to_string(j + 1);
}

std::string parameter_label(ModelId model, int j) {
  std::string label = parameter_name(model, j);
  for (char& c : label) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return label;
}

}  // namespace velmor
