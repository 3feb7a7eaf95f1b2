// SPDX-License-Identifier: MIT

#include "engine/core/machine_constants.h"

namespace velmor {

double compute_machine_epsilon() {
  long double x = 1e-60;  // the double 1e-60, widened
  while (!(1.0L + 0.1L * x > 1.0L && 1.0L + 0.1L * x < 1.0L + 0.2L * x)) {
    x *= 2.0L;
  }
  return static_cast<double>(x);
}

}  // namespace velmor
