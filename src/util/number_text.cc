// Interim: only what the data-file messages need until the report formatter lands.
#include "util/number_text.h"

namespace velmor::util {

std::string write_di(int value, std::string_view) { return std::to_string(value); }

}  // namespace velmor::util
