// SPDX-License-Identifier: MIT
#include "engine/driver/parameter_names.h"

#include <cctype>

#include "engine/model/kinetic_models.h"

namespace velmor {

std::string parameter_name(ModelId model, int j) {
  if (j >= 0 && j < model_parameter_count(model)) return parameter_symbol(parameter_kind(model, j));
  return "P" + std::to_string(j + 1);
}

std::string parameter_label(ModelId model, int j) {
  std::string label = parameter_name(model, j);
  for (char& c : label) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return label;
}

}  // namespace velmor
