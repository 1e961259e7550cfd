// brindle.lv2's saved state: the VST 3 module's 100 bytes (twelve little-endian doubles and
// a flag word), loaded by the same rules for short and damaged data, through the state
// extension and through lilv's own state handling.
#include "Lv2TestHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

using namespace lv2test;

namespace {

double DoubleAt(const std::vector<uint8_t>& bytes, size_t offset) {
  uint64_t bits = 0;
  for (int b = 7; b >= 0; --b) bits = (bits << 8) | bytes[offset + size_t(b)];
  double value = 0.0;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

void PutDouble(std::vector<uint8_t>& bytes, size_t offset, double value) {
  uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  for (int b = 0; b < 8; ++b) bytes[offset + size_t(b)] = uint8_t(bits >> (8 * b));
}

// The twelve values the instance saves.
std::vector<double> Saved(Instance& lv2) {
  const std::vector<uint8_t> bytes = lv2.SaveBytes();
  std::vector<double> values;
  for (size_t i = 0; i + 8 <= std::min<size_t>(bytes.size(), 96); i += 8) values.push_back(DoubleAt(bytes, i));
  return values;
}

void RunOnce(Instance& lv2) {
  float silence[64] = {};
  float out[2][64];
  lv2.Run(silence, silence, out[0], out[1], 64);
}

}  // namespace

TEST(Lv2State, SavesTheHundredBytesOfTheVst3Module) {
  Bundle bundle;
  ASSERT_NE(bundle.plugin, nullptr);
  Instance lv2(bundle, 48000.0, 64);
  ASSERT_NE(lv2.instance, nullptr);
  ASSERT_NE(lv2.State(), nullptr);
  lv2.SetControl(0, -3.0f);   // Output Gain
  lv2.SetControl(6, 2.0f);    // Channel Selector: side
  lv2.SetControl(11, 1.0f);   // Bypass
  RunOnce(lv2);
  LV2_State_Status status = LV2_STATE_ERR_UNKNOWN;
  const std::vector<uint8_t> bytes = lv2.SaveBytes(&status);
  EXPECT_EQ(status, LV2_STATE_SUCCESS);
  ASSERT_EQ(bytes.size(), 100u);
  EXPECT_EQ(DoubleAt(bytes, 0), -3.0);
  EXPECT_EQ(DoubleAt(bytes, 8 * 6), 2.0);
  EXPECT_EQ(DoubleAt(bytes, 8 * 11), 1.0);
  EXPECT_EQ(DoubleAt(bytes, 8 * 4), 0.0);
  EXPECT_EQ(std::vector<uint8_t>(bytes.end() - 4, bytes.end()), (std::vector<uint8_t>{0, 0, 0, 0}));

  // Without a URID map no state can be named: the host is told so.
  Instance bare(bundle, 48000.0, 64, false);
  ASSERT_NE(bare.instance, nullptr);
  bare.SaveBytes(&status);
  EXPECT_EQ(status, LV2_STATE_ERR_NO_FEATURE);
}

TEST(Lv2State, RestoresByTheRulesOfTheOtherModulesForShortAndDamagedData) {
  Bundle bundle;
  ASSERT_NE(bundle.plugin, nullptr);
  Instance lv2(bundle, 48000.0, 64);
  ASSERT_NE(lv2.instance, nullptr);

  std::vector<uint8_t> full(100, 0);
  PutDouble(full, 0, 5.0);
  PutDouble(full, 8, -2.0);
  PutDouble(full, 8 * 4, 0.6);  // not a single-precision number
  PutDouble(full, 8 * 11, 1.0);
  EXPECT_EQ(lv2.RestoreBytes(full), LV2_STATE_SUCCESS);
  std::vector<double> values = Saved(lv2);
  ASSERT_EQ(values.size(), 12u);
  EXPECT_EQ(values[0], 5.0);
  EXPECT_EQ(values[1], -2.0);
  EXPECT_EQ(values[4], 0.6);
  EXPECT_EQ(values[11], 1.0);

  // The host restores the ports to their single-precision form: the exact value stays.
  lv2.SetControl(0, 5.0f);
  lv2.SetControl(1, -2.0f);
  lv2.SetControl(4, 0.6f);
  lv2.SetControl(11, 1.0f);
  RunOnce(lv2);
  EXPECT_EQ(Saved(lv2)[4], 0.6);
  // A port that then changes wins.
  lv2.SetControl(4, 0.25f);
  RunOnce(lv2);
  EXPECT_EQ(Saved(lv2)[4], 0.25);

  // Forty bytes: the first five values come from the data, the others stay.
  EXPECT_EQ(lv2.RestoreBytes(std::vector<uint8_t>(40, 0)), LV2_STATE_SUCCESS);
  values = Saved(lv2);
  EXPECT_EQ(values[0], 0.0);
  EXPECT_EQ(values[4], 0.0);
  EXPECT_EQ(values[11], 1.0);

  // Out of range values are limited; NaN patterns keep the values there were.
  std::vector<uint8_t> wild(96, 0xFF);
  PutDouble(wild, 8, 1e300);
  PutDouble(wild, 8 * 3, -7.0);
  EXPECT_EQ(lv2.RestoreBytes(wild), LV2_STATE_SUCCESS);
  values = Saved(lv2);
  EXPECT_EQ(values[1], 10.0);
  EXPECT_EQ(values[3], 0.0);
  EXPECT_EQ(values[11], 1.0);
  for (double v : values) EXPECT_TRUE(std::isfinite(v));
  EXPECT_EQ(lv2.RestoreBytes(std::vector<uint8_t>(100, 0xFF)), LV2_STATE_SUCCESS);
  EXPECT_EQ(Saved(lv2), values);

  // Long data: the rest is read past. Empty data changes nothing.
  std::vector<uint8_t> longer = full;
  longer.resize(4000, 0x7F);
  EXPECT_EQ(lv2.RestoreBytes(longer), LV2_STATE_SUCCESS);
  EXPECT_EQ(Saved(lv2)[0], 5.0);
  values = Saved(lv2);
  EXPECT_EQ(lv2.RestoreBytes({}), LV2_STATE_SUCCESS);
  EXPECT_EQ(Saved(lv2), values);

  // Data of another type, or none of ours: refused, nothing changes.
  EXPECT_EQ(lv2.RestoreBytes(std::vector<uint8_t>(100, 0), LV2_ATOM__String), LV2_STATE_ERR_BAD_TYPE);
  EXPECT_EQ(lv2.RestoreBytes(std::vector<uint8_t>(100, 0), LV2_ATOM__Chunk, false), LV2_STATE_ERR_NO_PROPERTY);
  EXPECT_EQ(Saved(lv2), values);
}

namespace {
// What lilv asks of a host to save and restore port values: the instance's control ports by symbol.
struct PortAccess {
  const Bundle* bundle;
  Instance* instance;
  float* Port(const char* symbol) {
    LilvNode* node = lilv_new_string(bundle->world, symbol);
    const LilvPort* port = lilv_plugin_get_port_by_symbol(bundle->plugin, node);
    lilv_node_free(node);
    if (!port) return nullptr;
    const uint32_t index = lilv_port_get_index(bundle->plugin, port);
    return index >= kFirstControl && index < kLampPort ? &instance->controls[index] : nullptr;
  }
};
}  // namespace

TEST(Lv2State, LilvSavesAndRestoresAnInstanceWithTheSameSettings) {
  Bundle bundle;
  ASSERT_NE(bundle.plugin, nullptr);
  Instance source(bundle, 48000.0, 256);
  ASSERT_NE(source.instance, nullptr);
  const float settings[12] = {-3.0f, 2.0f, -1.0f, 40.0f, 0.5f, 0.25f, 0.0f, 1.0f, 0.0f, 1.0f, 0.0f, 0.0f};
  for (int i = 0; i < 12; ++i) source.SetControl(i, settings[i]);
  RunOnce(source);

  PortAccess from{&bundle, &source};
  LilvState* state = lilv_state_new_from_instance(
    bundle.plugin, source.instance, &source.urids.map, nullptr, nullptr, nullptr, nullptr,
    [](const char* symbol, void* user, uint32_t* size, uint32_t* type) -> const void* {
      auto* access = static_cast<PortAccess*>(user);
      float* port = access->Port(symbol);
      if (!port) return nullptr;
      *size = sizeof(float);
      *type = access->instance->urids.Map(LV2_ATOM__Float);
      return port;
    },
    &from, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, nullptr);
  ASSERT_NE(state, nullptr);
  EXPECT_EQ(lilv_state_get_num_properties(state), 1u);

  Instance target(bundle, 48000.0, 256);
  ASSERT_NE(target.instance, nullptr);
  PortAccess to{&bundle, &target};
  lilv_state_restore(
    state, target.instance,
    [](const char* symbol, void* user, const void* value, uint32_t size, uint32_t) {
      float* port = static_cast<PortAccess*>(user)->Port(symbol);
      if (port && size == sizeof(float)) std::memcpy(port, value, sizeof(float));
    },
    &to, 0, nullptr);
  lilv_state_free(state);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(target.controls[kFirstControl + uint32_t(i)], settings[i]) << i;
  RunOnce(target);
  EXPECT_EQ(Saved(target), Saved(source));
  EXPECT_EQ(Saved(target)[3], 40.0);
}
