// Fuzz target: the bytes are a host script on one brindle.lv2 instance: control values
// (any bit pattern), block sizes from 0 frames up, buffers connected, swapped, shared
// in place or taken away between runs, activation, and state loads of any bytes. After
// each run the outputs must be finite; every saved state must load back to itself.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "FuzzChecks.h"
#include "FuzzInput.h"

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/core/lv2.h>
#include <lv2/options/options.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>


namespace {

constexpr uint32_t kMaxFrames = 9000;
constexpr uint32_t kPorts = 17;
constexpr uint32_t kLampPort = 16;

struct Urids {
  std::vector<std::string> uris;
  LV2_URID Map(const char* uri) {
    for (size_t i = 0; i < uris.size(); ++i)
      if (uris[i] == uri) return static_cast<LV2_URID>(i + 1);
    uris.emplace_back(uri);
    return static_cast<LV2_URID>(uris.size());
  }
  static LV2_URID Call(LV2_URID_Map_Handle handle, const char* uri) { return static_cast<Urids*>(handle)->Map(uri); }
};

struct StateCall {
  LV2_URID key = 0;
  LV2_URID type = 0;
  std::vector<uint8_t> bytes;
};

LV2_State_Status Store(LV2_State_Handle handle, uint32_t key, const void* value, size_t size, uint32_t type, uint32_t) {
  auto* call = static_cast<StateCall*>(handle);
  if (key == call->key && type == call->type && value) {
    const auto* bytes = static_cast<const uint8_t*>(value);
    call->bytes.assign(bytes, bytes + size);
  }
  return LV2_STATE_SUCCESS;
}

const void* Retrieve(LV2_State_Handle handle, uint32_t key, size_t* size, uint32_t* type, uint32_t* flags) {
  auto* call = static_cast<StateCall*>(handle);
  if (key != call->key) return nullptr;
  *size = call->bytes.size();
  *type = call->type;
  *flags = 0;
  return call->bytes.data();
}

float ControlValue(FuzzInput& in) {
  static const float specials[] = {0.0f, 1.0f, -1.0f, 0.5f, 2.0f, 100.0f, -10.0f, 1e30f, -1e30f,
                                   std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                                   std::nanf(""), std::numeric_limits<float>::denorm_min()};
  const uint8_t pick = in.Byte();
  if (pick < sizeof specials / sizeof specials[0]) return specials[pick];
  uint32_t raw = in.U32();
  float value;
  std::memcpy(&value, &raw, sizeof value);
  return value;
}

uint32_t Frames(FuzzInput& in) {
  static const uint32_t sizes[] = {0, 1, 2, 7, 64, 256, 512, 4096, 4097, kMaxFrames};
  const uint8_t pick = in.Byte();
  if (pick < sizeof sizes / sizeof sizes[0]) return sizes[pick];
  return static_cast<uint32_t>(in.IntIn(0, kMaxFrames));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const LV2_Descriptor* plugin = lv2_descriptor(0);
  FUZZ_CHECK(plugin != nullptr && lv2_descriptor(1) == nullptr);

  static const double rates[] = {44100.0, 48000.0, 96000.0, 8000.0, 1.0, 0.0, -48000.0, 1e9, std::nan("")};
  const uint8_t ratePick = in.Byte();
  const double rate = ratePick < sizeof rates / sizeof rates[0] ? rates[ratePick] : in.AnyDouble();
  Urids urids;
  LV2_URID_Map map{&urids, Urids::Call};
  int32_t maxBlock = static_cast<int32_t>(in.IntIn(-2, 20000));
  const LV2_Options_Option options[2] = {
    {LV2_OPTIONS_INSTANCE, 0, urids.Map(LV2_BUF_SIZE__maxBlockLength), sizeof(int32_t),
     in.Bool() ? urids.Map(LV2_ATOM__Int) : urids.Map(LV2_ATOM__Float), &maxBlock},
    {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
  const LV2_Feature mapFeature{LV2_URID__map, &map};
  const LV2_Feature optionsFeature{LV2_OPTIONS__options, const_cast<LV2_Options_Option*>(options)};
  const uint8_t offered = in.Byte();
  const LV2_Feature* features[3] = {nullptr, nullptr, nullptr};
  int next = 0;
  if (offered & 1) features[next++] = &mapFeature;
  if (offered & 2) features[next++] = &optionsFeature;

  LV2_Handle instance = plugin->instantiate(plugin, rate, "/", (offered & 4) ? nullptr : features);
  const bool usableRate = rate > 0.0 && std::isfinite(rate);
  FUZZ_CHECK((instance != nullptr) == usableRate);
  if (!instance) return 0;
  const auto* state = static_cast<const LV2_State_Interface*>(plugin->extension_data(LV2_STATE__interface));
  FUZZ_CHECK(state != nullptr && plugin->extension_data("urn:nothing") == nullptr);

  float controls[kPorts] = {};
  std::vector<float> audio[4];
  for (auto& channel : audio) channel.assign(kMaxFrames, 0.0f);
  for (uint32_t p = 4; p < kPorts; ++p) plugin->connect_port(instance, p, &controls[p]);
  for (uint32_t p = 0; p < 4; ++p) plugin->connect_port(instance, p, audio[p].data());
  bool connected[4] = {true, true, true, true};
  float* outputs[2] = {audio[2].data(), audio[3].data()};
  plugin->activate(instance);

  StateCall call;
  call.key = urids.Map("urn:orvane:brindle#state");
  call.type = urids.Map(LV2_ATOM__Chunk);
  const bool canSave = (offered & 1) && !(offered & 4);

  for (int step = 0; step < 64 && !in.Empty(); ++step) {
    switch (in.Byte() % 9) {
    case 0:
    case 1:
      controls[4 + in.IntIn(0, 11)] = ControlValue(in);
      break;
    case 2: {
      const uint32_t frames = Frames(in);
      for (uint32_t f = 0; f < frames; ++f) {
        audio[0][f] = static_cast<float>(in.Sample());
        audio[1][f] = static_cast<float>(in.Sample());
      }
      plugin->run(instance, frames);
      for (int c = 0; c < 2; ++c)
        if (connected[2 + c]) FUZZ_CHECK(AllFinite(outputs[c], static_cast<long>(frames)));
      FUZZ_CHECK(controls[kLampPort] == 0.0f || controls[kLampPort] == 1.0f);
      break;
    }
    case 3: {
      // Audio ports: own buffers, in place (outputs on the inputs), swapped, or none.
      const uint32_t port = static_cast<uint32_t>(in.IntIn(0, 3));
      const uint8_t how = in.Byte() % 3;
      float* buffer = how == 0 ? audio[port].data() : how == 1 ? audio[port ^ 2].data() : nullptr;
      plugin->connect_port(instance, port, buffer);
      connected[port] = buffer != nullptr;
      if (port >= 2 && buffer) outputs[port - 2] = buffer;
      break;
    }
    case 4:
      // Ports outside the layout, and a control taken away.
      plugin->connect_port(instance, static_cast<uint32_t>(in.IntIn(kPorts, 100000)), controls);
      if (in.Bool()) plugin->connect_port(instance, static_cast<uint32_t>(in.IntIn(4, kPorts - 1)), nullptr);
      else
        for (uint32_t p = 4; p < kPorts; ++p) plugin->connect_port(instance, p, &controls[p]);
      break;
    case 5:
      if (in.Bool()) {
        plugin->deactivate(instance);
        plugin->activate(instance);
      } else {
        plugin->activate(instance);
      }
      break;
    case 6: {
      StateCall load = call;
      load.bytes = in.Bytes(static_cast<size_t>(in.IntIn(0, 140)));
      if (in.Byte() % 8 == 0) load.type = urids.Map(LV2_ATOM__String);
      state->restore(instance, Retrieve, &load, 0, nullptr);
      break;
    }
    case 7:
    case 8: {
      call.bytes.clear();
      const LV2_State_Status saved = state->save(instance, Store, &call, LV2_STATE_IS_POD, nullptr);
      if (!canSave) {
        FUZZ_CHECK(saved == LV2_STATE_ERR_NO_FEATURE);
        break;
      }
      FUZZ_CHECK(saved == LV2_STATE_SUCCESS && call.bytes.size() == 100);
      for (size_t i = 0; i < 96; i += 8) {
        double value;
        std::memcpy(&value, call.bytes.data() + i, sizeof value);
        FUZZ_CHECK(std::isfinite(value));
      }
      // What was saved loads back to itself.
      const std::vector<uint8_t> first = call.bytes;
      FUZZ_CHECK(state->restore(instance, Retrieve, &call, 0, nullptr) == LV2_STATE_SUCCESS);
      state->save(instance, Store, &call, LV2_STATE_IS_POD, nullptr);
      FUZZ_CHECK(call.bytes == first);
      break;
    }
    }
  }
  plugin->deactivate(instance);
  plugin->cleanup(instance);
  return 0;
}
