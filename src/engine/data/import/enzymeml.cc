// SPDX-License-Identifier: MIT
#include "engine/data/import/enzymeml.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <set>

#include "engine/core/fit_observer.h"
#include "engine/data/import/json_value.h"

namespace velmor {
namespace {

std::string compact_lower(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c == ' ') continue;
    out += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  }
  return out;
}

// "umol / l" -> "uM" and the like; other names as written.
std::string conc_unit_text(const JsonValue* unit) {
  if (unit == nullptr || !unit->is_object()) return "";
  std::string name = unit->string_member("name");
  const std::string n = compact_lower(name);
  static const std::pair<const char*, const char*> kKnown[] = {
      {"mol/l", "M"},          {"mmol/l", "mM"}, {"umol/l", "uM"}, {"\xC2\xB5mol/l", "uM"},
      {"\xCE\xBCmol/l", "uM"}, {"nmol/l", "nM"}, {"pmol/l", "pM"}};
  for (const auto& [written, short_name] : kKnown) {
    if (n == written) return short_name;
  }
  return name;
}

// The time unit from its name, else from its base units (seconds times a multiplier).
std::optional<TimeUnit> time_unit_of(const JsonValue* unit) {
  if (unit == nullptr || !unit->is_object()) return TimeUnit::kNone;
  const std::string n = compact_lower(unit->string_member("name"));
  if (n == "s" || n == "sec" || n == "second" || n == "seconds") return TimeUnit::kSeconds;
  if (n == "min" || n == "minute" || n == "minutes") return TimeUnit::kMinutes;
  if (n == "h" || n == "hr" || n == "hour" || n == "hours") return TimeUnit::kHours;
  const JsonValue* base = unit->find("base_units");
  if (base == nullptr || !base->is_array() || base->items.size() != 1) return std::nullopt;
  const JsonValue& b = base->items.front();
  const JsonValue* exponent = b.find("exponent");
  if (b.string_member("kind") != "second" || exponent == nullptr || exponent->number != 1) {
    return std::nullopt;
  }
  const JsonValue* multiplier = b.find("multiplier");
  const JsonValue* scale = b.find("scale");
  const double factor =
      (multiplier != nullptr && multiplier->kind == JsonValue::Kind::kNumber ? multiplier->number
                                                                             : 1.0) *
      std::pow(10.0,
               scale != nullptr && scale->kind == JsonValue::Kind::kNumber ? scale->number : 0.0);
  for (const TimeUnit u : {TimeUnit::kSeconds, TimeUnit::kMinutes, TimeUnit::kHours}) {
    if (std::abs(factor / seconds_in(u) - 1.0) < 1e-9) return u;
  }
  return std::nullopt;
}

std::optional<std::vector<double>> numbers_of(const JsonValue* array) {
  if (array == nullptr || !array->is_array()) return std::nullopt;
  if (array->items.empty()) return array->numbers;
  return std::nullopt;
}

std::optional<double> number_member(const JsonValue& object, std::string_view key) {
  const JsonValue* v = object.find(key);
  if (v == nullptr || v->kind != JsonValue::Kind::kNumber) return std::nullopt;
  return v->number;
}

const JsonValue* species_data_of(const JsonValue& measurement, const std::string& species) {
  const JsonValue* data = measurement.find("species_data");
  if (data == nullptr || !data->is_array()) return nullptr;
  for (const JsonValue& d : data->items) {
    if (d.string_member("species_id") == species) return &d;
  }
  return nullptr;
}

bool has_course(const JsonValue& d) {
  const auto data = numbers_of(d.find("data"));
  return data && !data->empty();
}

// The reactants of the reactions that make `product`.
std::vector<std::string> reactants_making(const JsonValue& document, const std::string& product) {
  std::vector<std::string> out;
  const JsonValue* reactions = document.find("reactions");
  if (reactions == nullptr || !reactions->is_array()) return out;
  for (const JsonValue& r : reactions->items) {
    const JsonValue* products = r.find("products");
    const JsonValue* reactants = r.find("reactants");
    if (products == nullptr || reactants == nullptr) continue;
    const bool makes =
        std::any_of(products->items.begin(), products->items.end(),
                    [&](const JsonValue& p) { return p.string_member("species_id") == product; });
    if (!makes) continue;
    for (const JsonValue& s : reactants->items) out.push_back(s.string_member("species_id"));
  }
  return out;
}

class EnzymeMlReader {
 public:
  EnzymeMlReader(const JsonValue& document, std::string species, std::string substrate)
      : document_(document), species_(std::move(species)), substrate_(std::move(substrate)) {}

  RawCurves read() {
    out_.source = "EnzymeML document";
    const JsonValue* measurements = document_.find("measurements");
    if (measurements == nullptr || !measurements->is_array()) {
      return refuse("The JSON document is not an EnzymeML document: it has no measurements");
    }
    if (species_.empty() && !choose_species(*measurements)) return std::move(out_);
    int skipped = 0;
    for (std::size_t m = 0; m < measurements->items.size(); ++m) {
      const JsonValue& measurement = measurements->items[m];
      const std::string id = measurement.string_member("id");
      const std::string name =
          id.empty() ? "Measurement " + std::to_string(m + 1) : "Measurement " + id;
      if (id.empty()) return refuse(name + " has no id");
      const JsonValue* observed = species_data_of(measurement, species_);
      if (observed == nullptr || !has_course(*observed)) {
        ++skipped;
        continue;
      }
      if (!add_curve(measurement, *observed, id, name)) return std::move(out_);
    }
    if (out_.curves.empty()) {
      return refuse("The EnzymeML document holds no time course of species " + species_);
    }
    if (skipped > 0) {
      out_.messages.push_back({kInformation, std::to_string(skipped) + " of " +
                                                 std::to_string(measurements->items.size()) +
                                                 " measurements hold no time course of species " +
                                                 species_ + " and are left out"});
    }
    out_.notes.push_back("OBSERVED SPECIES: " + species_ +
                         (substrate_used_.empty()
                              ? std::string()
                              : ", [So] THE INITIAL AMOUNT OF " + substrate_used_));
    return std::move(out_);
  }

 private:
  RawCurves refuse(std::string message) {
    out_.error = std::move(message);
    out_.curves.clear();
    return std::move(out_);
  }

  bool choose_species(const JsonValue& measurements) {
    std::set<std::string> observed;
    for (const JsonValue& m : measurements.items) {
      const JsonValue* data = m.find("species_data");
      if (data == nullptr || !data->is_array()) continue;
      for (const JsonValue& d : data->items) {
        if (has_course(d)) observed.insert(d.string_member("species_id"));
      }
    }
    if (observed.empty()) {
      out_.error = "The EnzymeML document holds no time course (species_data with data and time)";
      return false;
    }
    if (observed.size() > 1) {
      std::string list;
      for (const std::string& s : observed) list += (list.empty() ? "" : ", ") + s;
      out_.error = "The EnzymeML document holds time courses of several species (" + list +
                   "); choose one with --species";
      return false;
    }
    species_ = *observed.begin();
    return true;
  }

  bool fail(std::string message) {
    out_.error = std::move(message);
    out_.curves.clear();
    return false;
  }

  // [So] of a measurement: see read_enzymeml.
  std::optional<double> initial_substrate(const JsonValue& measurement, const JsonValue& observed,
                                          const std::vector<double>& y, const std::string& name) {
    std::string substrate = substrate_;
    if (substrate.empty() && y.back() < y.front()) substrate = species_;
    if (substrate.empty()) {
      std::vector<std::string> given;
      for (const std::string& r : reactants_making(document_, species_)) {
        const JsonValue* d = species_data_of(measurement, r);
        if (d != nullptr && number_member(*d, "initial")) given.push_back(r);
      }
      if (given.size() != 1) {
        fail(name + ": species " + species_ +
             " rises, so [So] is the initial amount of another species; name it with "
             "--substrate");
        return std::nullopt;
      }
      substrate = given.front();
    }
    const JsonValue* d =
        substrate == species_ ? &observed : species_data_of(measurement, substrate);
    const auto initial = d != nullptr ? number_member(*d, "initial") : std::nullopt;
    if (!initial) {
      fail(name + " gives no initial amount of species " + substrate);
      return std::nullopt;
    }
    if (!(*initial > 0.0)) {
      fail(name + " has an [So] of zero or below");
      return std::nullopt;
    }
    substrate_used_ = substrate;
    return initial;
  }

  bool add_curve(const JsonValue& measurement, const JsonValue& observed, const std::string& id,
                 const std::string& name) {
    const auto y = numbers_of(observed.find("data"));
    const auto t = numbers_of(observed.find("time"));
    if (!y || !t || t->size() != y->size()) {
      return fail(name + ": species " + species_ + " has " + std::to_string(y ? y->size() : 0) +
                  " values but " + std::to_string(t ? t->size() : 0) + " times");
    }
    observations_ += static_cast<long>(y->size());
    if (observations_ > kMaxImportObservations) {
      return fail(kMsgTooManyObservations + std::to_string(kMaxImportObservations));
    }
    const auto so = initial_substrate(measurement, observed, *y, name);
    if (!so) return false;
    const auto time_unit = time_unit_of(observed.find("time_unit"));
    if (!time_unit) {
      return fail(name + " gives its times in a unit the program does not know (s, min or h)");
    }
    const std::string conc_unit = conc_unit_text(observed.find("data_unit"));
    if (out_.curves.empty()) {
      out_.time_unit = *time_unit;
      out_.so_unit = conc_unit;
      out_.y_unit = conc_unit;
      first_name_ = name;
    } else if (*time_unit != out_.time_unit || conc_unit != out_.y_unit) {
      return fail(name + " gives its values in other units than " + first_name_);
    }
    RawCurve curve;
    curve.id = id;
    curve.line = 0;
    curve.so = *so;
    curve.group = measurement.string_member("group_id");
    curve.t = *t;
    curve.y = *y;
    out_.curves.push_back(std::move(curve));
    return true;
  }

  const JsonValue& document_;
  std::string species_;
  std::string substrate_;
  std::string substrate_used_;
  std::string first_name_;
  long observations_ = 0;
  RawCurves out_;
};

}  // namespace

RawCurves read_enzymeml(std::string_view text, const std::string& species,
                        const std::string& substrate) {
  const JsonParse parsed = parse_json(text);
  if (!parsed.error.empty()) {
    RawCurves refused;
    refused.error = "The EnzymeML document is not valid JSON (" + parsed.error + ")";
    return refused;
  }
  return EnzymeMlReader(parsed.value, species, substrate).read();
}

bool is_enzymeml_document(std::string_view text) {
  const JsonParse parsed = parse_json(text);
  if (!parsed.error.empty()) return false;
  const JsonValue* measurements = parsed.value.find("measurements");
  return measurements != nullptr && measurements->is_array();
}

}  // namespace velmor
