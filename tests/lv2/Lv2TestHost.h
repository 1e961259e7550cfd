// A small LV2 host for the tests: loads the built bundle with lilv, offers URID map
// and the block-length option, and runs an instance with every port connected.
#pragma once

#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace lv2test {

constexpr const char* kUri = "urn:orvane:brindle";
constexpr const char* kStateKey = "urn:orvane:brindle#state";
constexpr uint32_t kPortCount = 17;
constexpr uint32_t kFirstControl = 4;
constexpr uint32_t kLampPort = 16;

class UridMap {
public:
  LV2_URID Map(const char* uri) {
    for (size_t i = 0; i < uris.size(); ++i)
      if (uris[i] == uri) return static_cast<LV2_URID>(i + 1);
    uris.emplace_back(uri);
    return static_cast<LV2_URID>(uris.size());
  }
  static LV2_URID MapCall(LV2_URID_Map_Handle handle, const char* uri) { return static_cast<UridMap*>(handle)->Map(uri); }
  static const char* UnmapCall(LV2_URID_Unmap_Handle handle, LV2_URID urid) {
    auto* self = static_cast<UridMap*>(handle);
    return urid >= 1 && urid <= self->uris.size() ? self->uris[urid - 1].c_str() : nullptr;
  }
  LV2_URID_Map map{this, MapCall};
  LV2_URID_Unmap unmap{this, UnmapCall};

private:
  std::vector<std::string> uris;
};

// The world with the built bundle loaded, and the plug-in found by its URI.
class Bundle {
public:
  Bundle() {
    world = lilv_world_new();
    LilvNode* bundle = lilv_new_file_uri(world, nullptr, BRINDLE_LV2_BUNDLE "/");
    lilv_world_load_bundle(world, bundle);
    lilv_node_free(bundle);
    LilvNode* uri = lilv_new_uri(world, kUri);
    plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uri);
    lilv_node_free(uri);
  }
  ~Bundle() { lilv_world_free(world); }
  Bundle(const Bundle&) = delete;
  Bundle& operator=(const Bundle&) = delete;

  LilvWorld* world = nullptr;
  const LilvPlugin* plugin = nullptr;
};

// One instance with control ports held here; audio ports are connected per run.
class Instance {
public:
  Instance(const Bundle& bundle, double rate, int32_t maxBlock, bool withMap = true) {
    maxBlockLength = maxBlock;
    options[0] = LV2_Options_Option{LV2_OPTIONS_INSTANCE, 0, urids.Map(LV2_BUF_SIZE__maxBlockLength), sizeof(int32_t),
                                    urids.Map(LV2_ATOM__Int), &maxBlockLength};
    features.push_back(&optionsFeature);
    if (withMap) features.push_back(&mapFeature);
    features.push_back(nullptr);
    lilv_plugin_get_port_ranges_float(bundle.plugin, nullptr, nullptr, controls);
    instance = lilv_plugin_instantiate(bundle.plugin, rate, features.data());
    if (!instance) return;
    for (uint32_t p = kFirstControl; p < kPortCount; ++p) lilv_instance_connect_port(instance, p, &controls[p]);
    lilv_instance_activate(instance);
  }
  ~Instance() {
    if (!instance) return;
    lilv_instance_deactivate(instance);
    lilv_instance_free(instance);
  }
  Instance(const Instance&) = delete;
  Instance& operator=(const Instance&) = delete;

  void SetControl(int paramIndex, float value) { controls[kFirstControl + static_cast<uint32_t>(paramIndex)] = value; }
  float Lamp() const { return controls[kLampPort]; }

  void Run(const float* inLeft, const float* inRight, float* outLeft, float* outRight, uint32_t frames) {
    lilv_instance_connect_port(instance, 0, const_cast<float*>(inLeft));
    lilv_instance_connect_port(instance, 1, const_cast<float*>(inRight));
    lilv_instance_connect_port(instance, 2, outLeft);
    lilv_instance_connect_port(instance, 3, outRight);
    lilv_instance_run(instance, frames);
  }

  const LV2_State_Interface* State() const {
    return static_cast<const LV2_State_Interface*>(lilv_instance_get_extension_data(instance, LV2_STATE__interface));
  }

  // The saved state's bytes under our key, or empty.
  std::vector<uint8_t> SaveBytes(LV2_State_Status* status = nullptr) {
    Call call{urids.Map(kStateKey), urids.Map(LV2_ATOM__Chunk), {}};
    const LV2_State_Status result =
      State()->save(lilv_instance_get_handle(instance), Store, &call, LV2_STATE_IS_POD, nullptr);
    if (status) *status = result;
    return call.bytes;
  }
  LV2_State_Status RestoreBytes(const std::vector<uint8_t>& bytes, const char* type = LV2_ATOM__Chunk,
                                bool present = true) {
    Call call{present ? urids.Map(kStateKey) : 0, urids.Map(type), bytes};
    return State()->restore(lilv_instance_get_handle(instance), Retrieve, &call, 0, nullptr);
  }

  UridMap urids;
  LilvInstance* instance = nullptr;
  float controls[kPortCount] = {};

private:
  struct Call {
    LV2_URID key;
    LV2_URID type;
    std::vector<uint8_t> bytes;
  };
  static LV2_State_Status Store(LV2_State_Handle handle, uint32_t key, const void* value, size_t size, uint32_t type,
                                uint32_t) {
    auto* call = static_cast<Call*>(handle);
    if (key == call->key && type == call->type && value) {
      const auto* bytes = static_cast<const uint8_t*>(value);
      call->bytes.assign(bytes, bytes + size);
    }
    return LV2_STATE_SUCCESS;
  }
  static const void* Retrieve(LV2_State_Handle handle, uint32_t key, size_t* size, uint32_t* type, uint32_t* flags) {
    auto* call = static_cast<Call*>(handle);
    if (key == 0 || key != call->key) return nullptr;
    *size = call->bytes.size();
    *type = call->type;
    *flags = LV2_STATE_IS_POD;
    // A value of no bytes is still a value: a pointer that is not null.
    return call->bytes.empty() ? static_cast<const void*>(&call->key) : call->bytes.data();
  }

  int32_t maxBlockLength = 0;
  LV2_Options_Option options[2] = {};
  LV2_Feature optionsFeature{LV2_OPTIONS__options, options};
  LV2_Feature mapFeature{LV2_URID__map, &urids.map};
  std::vector<const LV2_Feature*> features;
};

}  // namespace lv2test
