// SPDX-License-Identifier: MIT
// EnzymeML documents made by the test's own writer, read into curves: species, [So], groups,
// units and the refusals; and the JSON reader beneath them.
#include "engine/data/import/enzymeml.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "engine/data/import/json_value.h"
#include "engine/data/run_data.h"
#include "plate_exports.h"
#include "recording_host.h"
#include "temp_folder.h"

namespace velmor {
namespace {

// One species' entry of a measurement; an empty course for a species not observed.
struct SpeciesData {
  std::string id;
  double initial = 0.0;
  std::vector<double> time;
  std::vector<double> data;
};

struct Measurement {
  std::string id;
  std::string group;
  std::vector<SpeciesData> species;
};

std::string numbers(const std::vector<double>& values) {
  std::string out = "[";
  for (std::size_t i = 0; i < values.size(); ++i) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", values[i]);
    out += (i ? ", " : "") + std::string(text);
  }
  return out + "]";
}

// A document as EnzymeML v2 writes one, with JSON-LD keys and a reaction s1 -> p1.
std::string document(
    const std::vector<Measurement>& measurements,
    const std::string& time_unit =
        R"({"name": "min", "base_units": [{"kind": "second", "exponent": 1, "multiplier": 60, "scale": 0}]})") {
  std::string out =
      R"({"@context": "https://enzymeml.org/v2", "name": "pNPP assay", "version": "2.0",
  "small_molecules": [{"@id": "s1", "id": "s1", "name": "pNPP", "constant": false},
                      {"id": "p1", "name": "pNP", "constant": false}],
  "reactions": [{"id": "r1", "name": "hydrolysis", "reversible": false,
                 "reactants": [{"species_id": "s1", "stoichiometry": 1}],
                 "products": [{"species_id": "p1", "stoichiometry": 1}]}],
  "measurements": [)";
  for (std::size_t m = 0; m < measurements.size(); ++m) {
    const Measurement& me = measurements[m];
    out += (m ? ",\n" : "\n") + std::string(R"(    {"id": ")") + me.id + R"(", "name": "well )" +
           me.id + "\"" + (me.group.empty() ? "" : R"(, "group_id": ")" + me.group + "\"") +
           R"(, "species_data": [)";
    for (std::size_t s = 0; s < me.species.size(); ++s) {
      const SpeciesData& d = me.species[s];
      char initial[32];
      std::snprintf(initial, sizeof initial, "%.17g", d.initial);
      out +=
          (s ? ", " : "") + std::string(R"({"species_id": ")") + d.id + R"(", "initial": )" +
          initial + R"(, "data": )" + numbers(d.data) + R"(, "time": )" + numbers(d.time) +
          R"(, "data_type": "concentration", "data_unit": {"name": "umol / l", "base_units": [{"kind": "mole", "exponent": 1, "scale": -6, "multiplier": 1}, {"kind": "litre", "exponent": -1, "scale": 0, "multiplier": 1}]}, "time_unit": )" +
          time_unit + "}";
    }
    out += "]}";
  }
  return out + "\n  ]\n}\n";
}

// The product of a well, observed; the substrate given only by its initial amount.
Measurement product_well(const std::string& id, const std::string& group, double so) {
  testing::PlateDesign design;
  SpeciesData p{"p1", 0.0, {}, {}};
  for (int t = 0; t <= 30; t += 3) {
    p.time.push_back(t);
    p.data.push_back(testing::true_product(design, so, t));
  }
  return {id, group, {{"s1", so, {}, {}}, p}};
}

TEST(EnzymeMl, ProductCurvesTakeTheSubstratesInitialAndGroups) {
  std::vector<Measurement> ms;
  for (int g = 1; g <= 2; ++g) {
    for (const double so : {10.0, 40.0, 160.0}) {
      ms.push_back(product_well("m" + std::to_string(g) + "_" + std::to_string(int(so)),
                                "rep" + std::to_string(g), so));
    }
  }
  const RawCurves raw = read_enzymeml(document(ms), "", "");
  ASSERT_EQ(raw.error, "");
  ASSERT_EQ(raw.curves.size(), 6u);
  EXPECT_EQ(raw.source, "EnzymeML document");
  EXPECT_EQ(raw.time_unit, TimeUnit::kMinutes);
  EXPECT_EQ(raw.so_unit, "uM");
  EXPECT_EQ(raw.curves[4].id, "m2_40");
  EXPECT_EQ(raw.curves[4].group, "rep2");
  EXPECT_EQ(raw.curves[4].so, 40.0);
  EXPECT_EQ(raw.curves[4].y, ms[4].species[1].data);
  EXPECT_EQ(raw.notes,
            std::vector<std::string>{"OBSERVED SPECIES: p1, [So] THE INITIAL AMOUNT OF s1"});

  // Through prepare_run: one fit per group, named after the document.
  const testing::TempFolder folder;
  const std::string file = folder.write("assay.json", document(ms));
  testing::RecordingHost host;
  FileUnits units;
  const PreparedRun run = prepare_run(file, {}, host, units);
  ASSERT_EQ(run.status, kDataOk);
  ASSERT_EQ(run.sets.size(), 2u);
  EXPECT_EQ(run.sets[1].report_name, folder.file("assay.rep2.out"));
  EXPECT_EQ(run.sets[1].description.curve_ids,
            (std::vector<std::string>{"m2_10", "m2_40", "m2_160"}));
  EXPECT_EQ(run.sets[1].data.nRows, 33);
  EXPECT_EQ(run.sets[1].data.time_unit, "min");
  EXPECT_EQ(run.sets[1].description.warning, "");

  // A layout regroups measurements by id.
  const std::string layout =
      folder.write("groups.csv", "measurement,group\nm1_10,low\nm2_10,low\nm1_160,high\n");
  ImportOptions by_layout;
  by_layout.layout_file = layout;
  const PreparedRun regrouped = prepare_run(file, by_layout, host, units);
  ASSERT_EQ(regrouped.sets.size(), 2u);
  EXPECT_EQ(regrouped.sets[0].description.group, "low");
  EXPECT_EQ(regrouped.sets[0].description.curve_ids, (std::vector<std::string>{"m1_10", "m2_10"}));
}

TEST(EnzymeMl, SpeciesAndSubstrateChoicesAndRefusals) {
  // A substrate course that falls: its own initial amount is [So].
  Measurement falling{"m1", "", {{"s1", 50.0, {0, 1, 2, 3, 4}, {50, 41, 33, 26, 20}}}};
  RawCurves raw = read_enzymeml(document({falling}), "", "");
  ASSERT_EQ(raw.error, "");
  EXPECT_EQ(raw.curves[0].so, 50.0);

  // Both species observed: a choice is needed; --species makes it.
  Measurement both = product_well("m1", "", 20.0);
  both.species[0] = {"s1", 20.0, {0, 3, 6, 9, 12}, {20, 18, 16, 14, 12}};
  EXPECT_EQ(read_enzymeml(document({both}), "", "").error,
            "The EnzymeML document holds time courses of several species (p1, s1); choose one "
            "with --species");
  raw = read_enzymeml(document({both}), "p1", "");
  ASSERT_EQ(raw.error, "");
  EXPECT_EQ(raw.curves[0].so, 20.0);

  // A rising course without a reactant's initial amount, and --substrate naming the species.
  Measurement no_initial = product_well("m7", "", 20.0);
  no_initial.species.erase(no_initial.species.begin());
  EXPECT_EQ(read_enzymeml(document({no_initial}), "", "").error,
            "Measurement m7: species p1 rises, so [So] is the initial amount of another species; "
            "name it with --substrate");
  EXPECT_EQ(read_enzymeml(document({no_initial}), "", "s9").error,
            "Measurement m7 gives no initial amount of species s9");

  Measurement uneven = product_well("m2", "", 20.0);
  uneven.species[1].time.pop_back();
  EXPECT_EQ(read_enzymeml(document({uneven}), "", "").error,
            "Measurement m2: species p1 has 11 values but 10 times");
  EXPECT_EQ(
      read_enzymeml(document({product_well("m3", "", 20)}, R"({"name": "day"})"), "", "").error,
      "Measurement m3 gives its times in a unit the program does not know (s, min or h)");
  EXPECT_EQ(read_enzymeml(R"({"name": "x"})", "", "").error,
            "The JSON document is not an EnzymeML document: it has no measurements");
  EXPECT_EQ(read_enzymeml(R"({"measurements": [{"id": "m1", "species_data": []}]})", "", "").error,
            "The EnzymeML document holds no time course (species_data with data and time)");
  EXPECT_EQ(read_enzymeml("{\"measurements\": [1, 2,]}", "", "").error,
            "The EnzymeML document is not valid JSON (line 1, column 24: not a JSON value)");
  EXPECT_TRUE(is_enzymeml_document(document({falling})));
  EXPECT_FALSE(is_enzymeml_document(R"([{"file": "a.in", "Km": 1}])"));  // a summary
}

TEST(JsonReader, ValuesEscapesAndLimits) {
  const JsonParse parsed = parse_json(
      R"( {"a": [1, -2.5e3, 0], "b": [1, "x"], "s": "q\"\\\/\b\f\n\r\t\u00e9\ud83d\ude00",
           "t": true, "f": false, "n": null, "o": {}} )");
  ASSERT_EQ(parsed.error, "");
  const JsonValue& v = parsed.value;
  EXPECT_EQ(v.find("a")->numbers, (std::vector<double>{1, -2500, 0}));
  ASSERT_EQ(v.find("b")->items.size(), 2u);
  EXPECT_EQ(v.find("b")->items[0].number, 1.0);
  EXPECT_EQ(v.string_member("s"), "q\"\\/\b\f\n\r\t\xC3\xA9\xF0\x9F\x98\x80");
  EXPECT_TRUE(v.find("t")->boolean);
  EXPECT_EQ(v.find("n")->kind, JsonValue::Kind::kNull);
  EXPECT_TRUE(v.find("o")->is_object());
  EXPECT_EQ(v.find("missing"), nullptr);

  const std::pair<std::string, std::string> refused[] = {
      {"[01]", "line 1, column 2: not a JSON value"},
      {"[1.]", "line 1, column 4: a number without digits after its point"},
      {"[1e999]", "line 1, column 2: a number too large for the program"},
      {R"({"a" 1})", "line 1, column 6: expected ':'"},
      {R"("\ud800")", R"(line 1, column 8: a lone surrogate in a \u escape)"},
      {"\"a\nb\"", "line 1, column 3: a control character in a text"},
      {"[1] x", "line 1, column 5: text after the document"},
      {"\n  [", "line 2, column 4: the document ends early"},
      {std::string(65, '[') + std::string(65, ']'),
       "line 1, column 65: more than 64 levels of nesting"},
  };
  for (const auto& [text, error] : refused) EXPECT_EQ(parse_json(text).error, error) << text;
  EXPECT_EQ(parse_json(std::string(64, '[') + std::string(64, ']')).error, "");
}

}  // namespace
}  // namespace velmor
