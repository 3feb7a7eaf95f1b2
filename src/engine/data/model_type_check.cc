#include "engine/data/model_type_check.h"

#include <algorithm>
#include <array>
#include <vector>

#include "engine/core/limits.h"
#include "engine/data/data_file_names.h"
#include "engine/data/data_records.h"
#include "engine/data/list_directed.h"

namespace velmor {

int trend_sign(std::span<const double> y, const CurveGroups& groups) {
  if (y.empty()) return 1;
  // The last point of the first curve; the first curve always has a stored count.
  const int last = std::clamp(groups.counts[0], 1, static_cast<int>(y.size()));
  return y[last - 1] - y[0] >= 0.0 ? 1 : -1;
}

std::string model_type_mismatch(ModelId model, int trend) {
  const bool product_model = model == 1 || model == 2;
  const bool substrate_model = model == 3 || model == 4;
  if (product_model && trend < 0) return kMsgSuggestSubstrate;
  if (substrate_model && trend > 0) return kMsgSuggestProduct;
  return {};
}

bool model_type_plausible(const std::string& data_file_name, ModelId model, Host& host,
                          FileUnits& units) {
  const std::string name = resolve_input_name(data_file_name);
  const int n_rows =
      std::min(data_row_count(get_unit(kDriverInputUnit, units), name, units), kMaxRows);
  // No data rows: the trend is undefined, and the fit driver refuses the file with its
  // row-limit message, whichever model was chosen.
  if (n_rows < 1) return true;

  const int unit = nuunit(0, units);
  if (!open_data_file(units, unit, name)) return true;
  std::vector<double> so;
  std::vector<double> y;
  std::string line;
  for (int row = 0; row < n_rows; ++row) {
    std::array<double, 3> values{};
    bool cut = false;
    if (!read_record(*units.stream(unit), line, kRecordWidth, &cut) || cut ||
        !read_list_directed(line, values)) {
      units.close(unit);
      return true;
    }
    so.push_back(values[1]);
    y.push_back(values[2]);
  }
  units.close(unit);

  const std::string suggestion = model_type_mismatch(model, trend_sign(y, ycurves(so)));
  if (suggestion.empty()) return true;
  host.dlgmessage(kInformation, std::string(kMsgWrongModelType) + "\r\n" + suggestion);
  return false;
}

}  // namespace velmor
