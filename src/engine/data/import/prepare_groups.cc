// SPDX-License-Identifier: MIT
#include "engine/data/import/prepare_groups.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <numeric>

#include "engine/core/fit_observer.h"
#include "engine/core/limits.h"
#include "engine/data/import/well_names.h"

namespace velmor {
namespace {

// A change of every curve below this fraction of its [So] is no reaction measured in the units
// of [So] (absorbance changes of 0.1 against [So] of 5 to 320 uM).
constexpr double kSmallestChange = 0.02;
// An observation above this multiple of its curve's [So] cannot be product (or substrate) of it.
constexpr double kLargestMultiple = 2.0;
// Blank wells listed by name in the report; more are counted.
constexpr std::size_t kBlanksNamed = 8;

// A number as the messages write it: up to 6 significant digits.
std::string shown(double value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.6g", value);
  return buffer;
}

struct Sample {
  int curve = -1;  // index into raw.curves
  double so = 0.0;
  std::string group;
  std::string id;
};

class GroupBuilder {
 public:
  GroupBuilder(const RawCurves& raw, const PlateLayout* layout, const ImportOptions& options)
      : raw_(raw), layout_(layout), options_(options) {}

  PreparedGroups build() {
    for (std::size_t c = 0; c < raw_.curves.size(); ++c)
      index_.emplace(curve_key(raw_.curves[c].id), c);
    if (!(layout_ != nullptr ? from_layout() : without_layout())) return std::move(out_);
    if (!choose_blank()) return std::move(out_);
    if (samples_.empty()) {
      refuse(layout_ != nullptr ? "The layout names no sample (every well it names is a blank)"
                                : "The data file holds no curve");
      return std::move(out_);
    }
    make_groups();
    return std::move(out_);
  }

 private:
  bool refuse(std::string message) {
    out_.error = std::move(message);
    out_.groups.clear();
    return false;
  }

  bool from_layout() {
    std::vector<bool> used(raw_.curves.size(), false);
    for (const LayoutEntry& entry : layout_->entries) {
      const auto at = index_.find(entry.key);
      if (at == index_.end()) {
        return refuse(kMsgLayoutLine + std::to_string(entry.line) + " names " + entry.id +
                      ", which the data do not hold");
      }
      const RawCurve& curve = raw_.curves[at->second];
      used[at->second] = true;
      const std::string group = !entry.group.empty() ? entry.group : curve.group;
      if (entry.blank) {
        blanks_.push_back({static_cast<int>(at->second), 0.0, group, curve.id});
        continue;
      }
      const double so = !std::isnan(entry.so) ? entry.so : curve.so;
      if (std::isnan(so)) {
        return refuse(kMsgLayoutLine + std::to_string(entry.line) + " gives the sample " +
                      entry.id + " no [So]");
      }
      samples_.push_back({static_cast<int>(at->second), so, group, curve.id});
    }
    const auto left_out = static_cast<int>(std::count(used.begin(), used.end(), false));
    if (left_out > 0) {
      const std::string what =
          std::to_string(left_out) + (raw_.wells ? (left_out == 1 ? " well" : " wells")
                                                 : (left_out == 1 ? " curve" : " curves"));
      out_.messages.push_back({kInformation, what + " of the data not in the layout " +
                                                 (left_out == 1 ? "is" : "are") + " not fitted"});
      left_out_note_ = "NOT IN THE LAYOUT, NOT FITTED: " + what;
    }
    return true;
  }

  bool without_layout() {
    for (std::size_t c = 0; c < raw_.curves.size(); ++c) {
      const RawCurve& curve = raw_.curves[c];
      if (std::isnan(curve.so)) {
        return refuse(std::string("The data give ") + (raw_.wells ? "the wells" : "the curves") +
                      " no [So]: give a layout (--layout FILE, or a file DATA.layout.csv beside "
                      "the data file DATA.txt) naming each well's S0");
      }
      samples_.push_back({static_cast<int>(c), curve.so, curve.group, curve.id});
    }
    return true;
  }

  bool choose_blank() {
    mode_ = options_.blank;
    if (mode_ == BlankMode::kDefault) mode_ = blanks_.empty() ? BlankMode::kNone : BlankMode::kAuto;
    if (mode_ == BlankMode::kAuto && blanks_.empty()) {
      return refuse("--blank auto needs blank wells: the layout names none (role blank)");
    }
    return true;
  }

  // The blanks a group's samples take: the group's own, else all of the plate's.
  std::vector<const Sample*> blanks_for(const std::string& group) const {
    std::vector<const Sample*> own;
    std::vector<const Sample*> all;
    for (const Sample& b : blanks_) {
      all.push_back(&b);
      if (b.group == group) own.push_back(&b);
    }
    return own.empty() ? all : own;
  }

  // The mean of the blanks' observations at time t; false when none was read then.
  static bool blank_at(const std::vector<const RawCurve*>& blanks, double t, double& mean) {
    double sum = 0.0;
    int n = 0;
    for (const RawCurve* b : blanks) {
      const auto at = std::lower_bound(b->t.begin(), b->t.end(), t);
      if (at == b->t.end() || *at != t) continue;
      sum += b->y[static_cast<std::size_t>(at - b->t.begin())];
      ++n;
    }
    if (n == 0) return false;
    mean = sum / n;
    return true;
  }

  std::string blank_note(const std::vector<const Sample*>& blanks, const std::string& group) const {
    std::string names;
    for (std::size_t i = 0; i < blanks.size() && i < kBlanksNamed; ++i) {
      names += (i == 0 ? "" : ", ") + blanks[i]->id;
    }
    if (blanks.size() > kBlanksNamed) {
      names += " AND " + std::to_string(blanks.size() - kBlanksNamed) + " MORE";
    }
    const bool own = !blanks.empty() && blanks.front()->group == group;
    return "BLANK: MEAN OF " + std::string(own ? "THE GROUP'S" : "THE PLATE'S") + " BLANK " +
           (raw_.wells ? "WELLS " : "CURVES ") + names + ", READ BY READ";
  }

  void make_groups() {
    // Groups in the order their first sample stands.
    std::vector<std::string> order;
    for (const Sample& s : samples_) {
      if (std::find(order.begin(), order.end(), s.group) == order.end()) order.push_back(s.group);
    }
    for (const std::string& group : order) {
      PreparedData prepared;
      if (!fill_group(group, prepared)) {
        if (!out_.error.empty()) return;
      }
      out_.groups.push_back(std::move(prepared));
    }
  }

  // The group's data; false when the group is refused (its refusal set) or the file is (error).
  bool fill_group(const std::string& group, PreparedData& prepared) {
    DataDescription& d = prepared.description;
    d.group = group;
    d.source = raw_.source;
    d.notes = raw_.notes;
    if (!left_out_note_.empty()) d.notes.push_back(left_out_note_);
    const bool convert = options_.signal_per_conc != 0.0;
    const double k = convert ? options_.signal_per_conc : 1.0;
    if (convert) d.signal_per_conc = k;
    std::vector<const RawCurve*> blank_curves;
    switch (mode_) {
      case BlankMode::kAuto: {
        const std::vector<const Sample*> blanks = blanks_for(group);
        for (const Sample* b : blanks) blank_curves.push_back(&raw_.curves[b->curve]);
        d.blank = "auto";
        d.notes.push_back(blank_note(blanks, group));
        break;
      }
      case BlankMode::kValue:
        d.blank = shown(options_.blank_value);
        d.notes.push_back("BLANK: " + d.blank + " SUBTRACTED FROM EVERY OBSERVATION");
        break;
      case BlankMode::kNone:
      case BlankMode::kDefault:
        d.blank = "none";
        break;
    }
    if (convert) {
      d.notes.push_back("OBSERVATION: (SIGNAL - BLANK) / " + shown(k) +
                        " SIGNAL UNITS PER CONCENTRATION UNIT");
    }

    ProgressCurveData& data = prepared.data;
    data.time_unit = time_unit_name(raw_.time_unit);
    data.conc_unit = layout_ != nullptr && !layout_->conc_unit.empty() ? layout_->conc_unit
                     : !raw_.so_unit.empty()                           ? raw_.so_unit
                     : convert                                         ? std::string()
                                                                       : raw_.y_unit;
    std::vector<const Sample*> members;
    int rows = 0;
    for (const Sample& s : samples_) {
      if (s.group != group) continue;
      members.push_back(&s);
      rows += static_cast<int>(raw_.curves[s.curve].t.size());
    }
    const int curves = static_cast<int>(members.size());
    if (curves > kMaxCurves || rows > kMaxRows) {
      const std::string counts = " " + std::to_string(curves) + " curves and " +
                                 std::to_string(rows) + " rows, more than one fit takes (" +
                                 std::to_string(kMaxCurves) + " curves, " +
                                 std::to_string(kMaxRows) + " rows); ";
      prepared.refusal =
          group.empty()
              ? "The data hold" + counts +
                    "split them into groups with a group column in the layout (--layout), e.g. "
                    "one group per replicate"
              : "Group " + group + " holds" + counts +
                    "split it into smaller groups in the layout's group column";
      return false;
    }
    data.resize_rows(rows);
    int row = 0;
    for (int c = 0; c < curves; ++c) {
      const RawCurve& curve = raw_.curves[members[c]->curve];
      const int n = static_cast<int>(curve.t.size());
      if (n < kMinCurvePoints) {
        prepared.refusal = "Curve " + (curve.id.empty() ? std::to_string(c + 1) : curve.id) +
                           " has " + std::to_string(n) + " observations, fewer than the " +
                           std::to_string(kMinCurvePoints) + " a curve needs";
        return false;
      }
      for (int i = 0; i < n; ++i) {
        double blank = mode_ == BlankMode::kValue ? options_.blank_value : 0.0;
        if (mode_ == BlankMode::kAuto && !blank_at(blank_curves, curve.t[i], blank)) {
          refuse("No blank well was read at time " + shown(curve.t[i]) + ", a read of " +
                 (raw_.wells ? "well " : "curve ") + curve.id);
          return false;
        }
        const double y = (curve.y[i] - blank) / k;
        // Huge values read, or made so by the conversion, cannot be fitted.
        if (!std::isfinite(y) || !std::isfinite(curve.t[i])) {
          prepared.refusal = "Curve " + curve.id + " has at time " + shown(curve.t[i]) +
                             " a value too large to fit";
          return false;
        }
        data.X1[row] = curve.t[i];
        data.X2[row] = members[c]->so;
        data.Y[row] = y;
        ++row;
      }
      data.curveCount[c] = n;
      d.curve_ids.push_back(curve.id);
    }
    data.nCols = kRequiredColumns;
    data.nCurves = curves;
    if (curves == 0) {
      prepared.refusal = "Group " + group + " holds no sample";
      return false;
    }
    if (std::all_of(d.curve_ids.begin(), d.curve_ids.end(),
                    [](const std::string& id) { return id.empty(); })) {
      d.curve_ids.clear();
    }
    d.warning = observation_scale_warning(data, d.curve_ids, convert);
    return true;
  }

  const RawCurves& raw_;
  const PlateLayout* layout_;
  const ImportOptions& options_;
  std::map<std::string, std::size_t> index_;
  std::vector<Sample> samples_;
  std::vector<Sample> blanks_;
  BlankMode mode_ = BlankMode::kNone;
  std::string left_out_note_;
  PreparedGroups out_;
};

}  // namespace

PreparedGroups prepare_groups(const RawCurves& raw, const PlateLayout* layout,
                              const ImportOptions& options) {
  // Every curve in time order, so that rows and blank reads can be matched by time.
  RawCurves sorted = raw;
  for (RawCurve& curve : sorted.curves) {
    std::vector<std::size_t> order(curve.t.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return curve.t[a] < curve.t[b]; });
    const RawCurve original = curve;
    for (std::size_t i = 0; i < order.size(); ++i) {
      curve.t[i] = original.t[order[i]];
      curve.y[i] = original.y[order[i]];
    }
  }
  return GroupBuilder(sorted, layout, options).build();
}

std::string observation_scale_warning(const ProgressCurveData& data,
                                      const std::vector<std::string>& ids, bool converted) {
  const std::string hint = converted ? "; check the value of --signal-per-conc"
                                     : "; convert them with --signal-per-conc";
  const auto name = [&](int c) {
    return "Curve " +
           (c < static_cast<int>(ids.size()) && !ids[c].empty() ? ids[c] : std::to_string(c + 1));
  };
  bool all_small = data.nCurves > 0;
  double largest_change = 0.0;
  double its_so = 0.0;
  int first = 0;
  for (int c = 0; c < data.nCurves && c < kMaxCurves; ++c) {
    const int n = data.curveCount[c];
    if (n <= 0 || first + n > data.nRows) break;
    const auto y_begin = data.Y.begin() + first;
    const auto [low, high] = std::minmax_element(y_begin, y_begin + n);
    const double so = data.X2[first];
    const double change = *high - *low;
    if (*high > kLargestMultiple * so) {
      return name(c) + " rises to " + shown(*high) + " where its [So] is " + shown(so) +
             ": the observations cannot be concentrations on the scale of [So]" + hint;
    }
    if (!(change < kSmallestChange * so)) all_small = false;
    if (c == 0 || change / so > largest_change / its_so) {
      largest_change = change;
      its_so = so;
    }
    first += n;
  }
  if (!all_small) return "";
  return "The observations change by less than 2% of [So] in every curve (at most " +
         shown(largest_change) + " where [So] is " + shown(its_so) +
         "): they look like a raw signal, not concentrations" + hint;
}

}  // namespace velmor
