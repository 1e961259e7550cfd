// brindle.lv2 as an LV2 host sees it: discovery, ports and their properties, the editor's
// description and the default preset.
#include "Lv2TestHost.h"

#include <gtest/gtest.h>
#include <lv2/core/lv2.h>
#include <lv2/port-groups/port-groups.h>
#include <lv2/presets/presets.h>
#include <lv2/ui/ui.h>
#include <lv2/units/units.h>

#include <cmath>
#include <map>
#include <string>

using namespace lv2test;

namespace {

struct ExpectedControl {
  const char* symbol;
  const char* name;
  float minimum, maximum, defaultValue;
  const char* unit;  // units: term, or null
  const char* kind;  // "toggled", "enumeration" or "" (continuous)
};

// The parameter table as users know it from the editor and the VST modules.
const ExpectedControl kControls[] = {
  {"output_gain", "Output Gain", -10, 10, 0, LV2_UNITS__db, ""},
  {"mid_gain", "Mid Gain", -10, 10, 0, LV2_UNITS__db, ""},
  {"side_gain", "Side Gain", -10, 10, 0, LV2_UNITS__db, ""},
  {"delay_amount", "Delay Amount", 0, 100, 0, LV2_UNITS__pc, ""},
  {"width", "Width", -1, 1, 0, nullptr, ""},
  {"panning", "Panning", -1, 1, 0, nullptr, ""},
  {"channel_selector", "Channel Selector", 0, 2, 0, nullptr, "enumeration"},
  {"invert_left", "Invert Left", 0, 1, 0, nullptr, "toggled"},
  {"invert_right", "Invert Right", 0, 1, 0, nullptr, "toggled"},
  {"swap", "L/R swap", 0, 1, 0, nullptr, "toggled"},
  {"mono_test", "Mono Test", 0, 1, 0, nullptr, "toggled"},
  {"bypass", "Bypass", 0, 1, 0, nullptr, "toggled"},
};

class Nodes {
public:
  explicit Nodes(LilvWorld* world) : world(world) {}
  ~Nodes() {
    for (auto& entry : made) lilv_node_free(entry.second);
  }
  const LilvNode* operator()(const char* uri) {
    LilvNode*& node = made[uri];
    if (!node) node = lilv_new_uri(world, uri);
    return node;
  }

private:
  LilvWorld* world;
  std::map<std::string, LilvNode*> made;
};

std::map<std::string, float> ScalePoints(const LilvPlugin* plugin, const LilvPort* port) {
  std::map<std::string, float> points;
  LilvScalePoints* list = lilv_port_get_scale_points(plugin, port);
  LILV_FOREACH(scale_points, it, list) {
    const LilvScalePoint* point = lilv_scale_points_get(list, it);
    points[lilv_node_as_string(lilv_scale_point_get_label(point))] = lilv_node_as_float(lilv_scale_point_get_value(point));
  }
  lilv_scale_points_free(list);
  return points;
}

}  // namespace

TEST(Lv2Bundle, IsFoundByItsUriWithNameMakerClassAndFeatures) {
  Bundle bundle;
  ASSERT_NE(bundle.plugin, nullptr) << "no " << kUri << " in " << BRINDLE_LV2_BUNDLE;
  Nodes uri(bundle.world);
  LilvNode* name = lilv_plugin_get_name(bundle.plugin);
  EXPECT_STREQ(lilv_node_as_string(name), "Brindle");
  lilv_node_free(name);
  LilvNode* maker = lilv_plugin_get_author_name(bundle.plugin);
  ASSERT_NE(maker, nullptr);
  EXPECT_STREQ(lilv_node_as_string(maker), "Orvane");
  lilv_node_free(maker);
  LilvNodes* types = lilv_plugin_get_value(bundle.plugin, uri("http://www.w3.org/1999/02/22-rdf-syntax-ns#type"));
  EXPECT_TRUE(lilv_nodes_contains(types, uri(LV2_CORE__UtilityPlugin)));
  lilv_nodes_free(types);
  // Nothing is required of a host; real-time safety is declared.
  LilvNodes* required = lilv_plugin_get_required_features(bundle.plugin);
  EXPECT_EQ(lilv_nodes_size(required), 0u);
  lilv_nodes_free(required);
  EXPECT_TRUE(lilv_plugin_has_feature(bundle.plugin, uri(LV2_CORE__hardRTCapable)));
  EXPECT_TRUE(lilv_plugin_has_extension_data(bundle.plugin, uri(LV2_STATE__interface)));
  // The DSP library and the editor library are separate files.
  const std::string library = lilv_node_as_uri(lilv_plugin_get_library_uri(bundle.plugin));
  EXPECT_NE(library.find("/brindle.lv2/brindle.so"), std::string::npos) << library;
  LilvUIs* uis = lilv_plugin_get_uis(bundle.plugin);
  ASSERT_EQ(lilv_uis_size(uis), 1u);
  const LilvUI* ui = lilv_uis_get(uis, lilv_uis_begin(uis));
  EXPECT_STREQ(lilv_node_as_uri(lilv_ui_get_uri(ui)), "urn:orvane:brindle#ui");
  EXPECT_TRUE(lilv_ui_is_a(ui, uri(LV2_UI__X11UI)));
  const std::string uiLibrary = lilv_node_as_uri(lilv_ui_get_binary_uri(ui));
  EXPECT_NE(uiLibrary.find("/brindle.lv2/brindle_ui.so"), std::string::npos) << uiLibrary;
  lilv_uis_free(uis);
}

TEST(Lv2Bundle, PortsCarryTheParameterTableWithStableSymbols) {
  Bundle bundle;
  ASSERT_NE(bundle.plugin, nullptr);
  Nodes uri(bundle.world);
  const LilvPlugin* plugin = bundle.plugin;
  ASSERT_EQ(lilv_plugin_get_num_ports(plugin), kPortCount);

  // Stereo audio in and out, in the main groups, left and right designated.
  const char* audio[4][2] = {{"in_left", LV2_PORT_GROUPS__left},
                             {"in_right", LV2_PORT_GROUPS__right},
                             {"out_left", LV2_PORT_GROUPS__left},
                             {"out_right", LV2_PORT_GROUPS__right}};
  for (uint32_t p = 0; p < 4; ++p) {
    const LilvPort* port = lilv_plugin_get_port_by_index(plugin, p);
    EXPECT_STREQ(lilv_node_as_string(lilv_port_get_symbol(plugin, port)), audio[p][0]);
    EXPECT_TRUE(lilv_port_is_a(plugin, port, uri(LV2_CORE__AudioPort)));
    EXPECT_TRUE(lilv_port_is_a(plugin, port, uri(p < 2 ? LV2_CORE__InputPort : LV2_CORE__OutputPort)));
    LilvNode* group = lilv_port_get(plugin, port, uri(LV2_PORT_GROUPS__group));
    ASSERT_NE(group, nullptr) << p;
    EXPECT_STREQ(lilv_node_as_uri(group), p < 2 ? "urn:orvane:brindle#in" : "urn:orvane:brindle#out");
    lilv_node_free(group);
    LilvNode* designation = lilv_port_get(plugin, port, uri(LV2_CORE__designation));
    ASSERT_NE(designation, nullptr) << p;
    EXPECT_STREQ(lilv_node_as_uri(designation), audio[p][1]);
    lilv_node_free(designation);
  }
  LilvNodes* mainInput = lilv_plugin_get_value(plugin, uri(LV2_PORT_GROUPS__mainInput));
  ASSERT_EQ(lilv_nodes_size(mainInput), 1u);
  EXPECT_STREQ(lilv_node_as_uri(lilv_nodes_get_first(mainInput)), "urn:orvane:brindle#in");
  lilv_nodes_free(mainInput);

  for (uint32_t i = 0; i < 12; ++i) {
    const ExpectedControl& want = kControls[i];
    const LilvPort* port = lilv_plugin_get_port_by_index(plugin, kFirstControl + i);
    SCOPED_TRACE(want.symbol);
    EXPECT_STREQ(lilv_node_as_string(lilv_port_get_symbol(plugin, port)), want.symbol);
    LilvNode* name = lilv_port_get_name(plugin, port);
    EXPECT_STREQ(lilv_node_as_string(name), want.name);
    lilv_node_free(name);
    EXPECT_TRUE(lilv_port_is_a(plugin, port, uri(LV2_CORE__ControlPort)));
    EXPECT_TRUE(lilv_port_is_a(plugin, port, uri(LV2_CORE__InputPort)));
    LilvNode *def = nullptr, *min = nullptr, *max = nullptr;
    lilv_port_get_range(plugin, port, &def, &min, &max);
    ASSERT_TRUE(def && min && max);
    EXPECT_EQ(lilv_node_as_float(min), want.minimum);
    EXPECT_EQ(lilv_node_as_float(max), want.maximum);
    EXPECT_EQ(lilv_node_as_float(def), want.defaultValue);
    lilv_node_free(def);
    lilv_node_free(min);
    lilv_node_free(max);
    LilvNode* unit = lilv_port_get(plugin, port, uri(LV2_UNITS__unit));
    if (want.unit) {
      ASSERT_NE(unit, nullptr);
      EXPECT_STREQ(lilv_node_as_uri(unit), want.unit);
    } else {
      EXPECT_EQ(unit, nullptr);
    }
    lilv_node_free(unit);
    const std::string kind = want.kind;
    EXPECT_EQ(lilv_port_has_property(plugin, port, uri(LV2_CORE__toggled)), kind == "toggled");
    EXPECT_EQ(lilv_port_has_property(plugin, port, uri(LV2_CORE__enumeration)), kind == "enumeration");
    EXPECT_EQ(lilv_port_has_property(plugin, port, uri(LV2_CORE__integer)), kind == "enumeration");
  }

  // Display texts as scale points: the selector's labels, and the named points of the knobs.
  const std::map<std::string, float> selector = {{"stereo", 0.0f}, {"mid", 1.0f}, {"side", 2.0f}};
  EXPECT_EQ(ScalePoints(plugin, lilv_plugin_get_port_by_index(plugin, 10)), selector);
  const std::map<std::string, float> delay = {{"zero", 0.0f}};
  EXPECT_EQ(ScalePoints(plugin, lilv_plugin_get_port_by_index(plugin, 7)), delay);
  const std::map<std::string, float> width = {{"0.00", 0.0f}, {"mid", -1.0f}, {"side", 1.0f}};
  EXPECT_EQ(ScalePoints(plugin, lilv_plugin_get_port_by_index(plugin, 8)), width);
  const std::map<std::string, float> panning = {{"center", 0.0f}, {"left", -1.0f}, {"right", 1.0f}};
  EXPECT_EQ(ScalePoints(plugin, lilv_plugin_get_port_by_index(plugin, 9)), panning);
  EXPECT_TRUE(ScalePoints(plugin, lilv_plugin_get_port_by_index(plugin, 4)).empty());

  // The mono lamp goes out on a 0/1 control output.
  const LilvPort* lamp = lilv_plugin_get_port_by_index(plugin, kLampPort);
  EXPECT_STREQ(lilv_node_as_string(lilv_port_get_symbol(plugin, lamp)), "mono_input");
  LilvNode* lampName = lilv_port_get_name(plugin, lamp);
  EXPECT_STREQ(lilv_node_as_string(lampName), "Mono Input");
  lilv_node_free(lampName);
  EXPECT_TRUE(lilv_port_is_a(plugin, lamp, uri(LV2_CORE__ControlPort)));
  EXPECT_TRUE(lilv_port_is_a(plugin, lamp, uri(LV2_CORE__OutputPort)));
  EXPECT_TRUE(lilv_port_has_property(plugin, lamp, uri(LV2_CORE__toggled)));
  // No port takes the host's bypass designation (see the README's LV2 section).
  for (uint32_t p = 0; p < kPortCount; ++p) {
    LilvNode* designation = lilv_port_get(plugin, lilv_plugin_get_port_by_index(plugin, p), uri(LV2_CORE__designation));
    if (designation) {
      EXPECT_STRNE(lilv_node_as_uri(designation), LV2_CORE__enabled);
    }
    lilv_node_free(designation);
  }
}

TEST(Lv2Bundle, TheDefaultPresetHoldsEveryDefault) {
  Bundle bundle;
  ASSERT_NE(bundle.plugin, nullptr);
  Nodes uri(bundle.world);
  LilvNodes* presets = lilv_plugin_get_related(bundle.plugin, uri(LV2_PRESETS__Preset));
  ASSERT_EQ(lilv_nodes_size(presets), 1u);
  const LilvNode* preset = lilv_nodes_get_first(presets);
  EXPECT_STREQ(lilv_node_as_uri(preset), "urn:orvane:brindle#preset-default");
  lilv_world_load_resource(bundle.world, preset);
  UridMap urids;
  LilvState* state = lilv_state_new_from_world(bundle.world, &urids.map, preset);
  ASSERT_NE(state, nullptr);
  EXPECT_STREQ(lilv_state_get_label(state), "Default");
  std::map<std::string, float> values;
  lilv_state_emit_port_values(
    state,
    [](const char* symbol, void* user, const void* value, uint32_t size, uint32_t) {
      if (size == sizeof(float)) (*static_cast<std::map<std::string, float>*>(user))[symbol] = *static_cast<const float*>(value);
    },
    &values);
  EXPECT_EQ(values.size(), 12u);
  for (const ExpectedControl& want : kControls) EXPECT_EQ(values[want.symbol], want.defaultValue) << want.symbol;
  lilv_state_free(state);
  lilv_nodes_free(presets);
}
