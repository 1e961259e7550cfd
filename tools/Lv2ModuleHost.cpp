// The LV2 host of brindle-render.
#include "Lv2ModuleHost.h"

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/core/lv2.h>
#include <lv2/options/options.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>

namespace
{
constexpr const char* kOwnUri = "urn:orvane:brindle";
constexpr const char* kOwnStateKey = "urn:orvane:brindle#state";

bool EndsWith(const std::string& text, const std::string& suffix)
{
  return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Frees a lilv node when it goes out of scope.
struct Node
{
  LilvNode* node;
  explicit Node(LilvNode* n) : node(n) {}
  ~Node() { lilv_node_free(node); }
  Node(const Node&) = delete;
  Node& operator=(const Node&) = delete;
  operator const LilvNode*() const { return node; }
};
}  // namespace

bool IsLv2ModulePath(const std::string& path)
{
  std::string name = path;
  while (name.size() > 1 && name.back() == '/')
    name.pop_back();
  return EndsWith(name, ".lv2") || name.rfind("urn:", 0) == 0 || name.find("://") != std::string::npos;
}

// The features the host offers: URID map and the block-length options.
struct Lv2ModuleHost::Features
{
  std::vector<std::string> uris;
  LV2_URID_Map map{this, &Features::Map};
  LV2_Feature mapFeature{LV2_URID__map, &map};
  int32_t maxBlock = 0;
  LV2_Options_Option options[2] = {};
  LV2_Feature optionsFeature{LV2_OPTIONS__options, options};
  LV2_Feature boundedFeature{LV2_BUF_SIZE__boundedBlockLength, nullptr};
  const LV2_Feature* list[4] = {&mapFeature, &optionsFeature, &boundedFeature, nullptr};

  static LV2_URID Map(LV2_URID_Map_Handle handle, const char* uri)
  {
    auto* self = static_cast<Features*>(handle);
    for (size_t i = 0; i < self->uris.size(); ++i)
      if (self->uris[i] == uri)
        return static_cast<LV2_URID>(i + 1);
    self->uris.emplace_back(uri);
    return static_cast<LV2_URID>(self->uris.size());
  }
  LV2_URID Map(const char* uri) { return Map(this, uri); }

  void SetBlock(int frames)
  {
    maxBlock = frames;
    options[0] = LV2_Options_Option{LV2_OPTIONS_INSTANCE, 0, Map(LV2_BUF_SIZE__maxBlockLength), sizeof(int32_t),
                                    Map(LV2_ATOM__Int), &maxBlock};
    options[1] = LV2_Options_Option{LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr};
  }
};

Lv2ModuleHost::Lv2ModuleHost(std::string path, std::vector<RenderParamInfo> ownParams)
  : ModuleRenderHost(std::move(path), std::move(ownParams))
{
}

Lv2ModuleHost::~Lv2ModuleHost()
{
  Release();
}

bool Lv2ModuleHost::Create()
{
  failure.clear();
  world = lilv_world_new();
  if (!world)
    return Fail("cannot start the LV2 world");
  std::string uri = path;
  if (path.rfind("urn:", 0) == 0 || path.find("://") != std::string::npos)
  {
    lilv_world_load_all(world);
  }
  else
  {
    std::error_code ignored;
    std::string folder = std::filesystem::absolute(std::filesystem::u8path(path), ignored).u8string();
    if (folder.empty() || !std::filesystem::is_directory(folder, ignored))
      return Fail(path + ": no such bundle folder");
    if (folder.back() != '/')
      folder += '/';
    Node bundle(lilv_new_file_uri(world, nullptr, folder.c_str()));
    lilv_world_load_bundle(world, bundle);
    uri.clear();
  }
  const LilvPlugins* plugins = lilv_world_get_all_plugins(world);
  LILV_FOREACH(plugins, it, plugins)
  {
    const LilvPlugin* candidate = lilv_plugins_get(plugins, it);
    const std::string candidateUri = lilv_node_as_uri(lilv_plugin_get_uri(candidate));
    if (uri.empty() || candidateUri == uri)
    {
      plugin = candidate;
      uri = candidateUri;
      break;
    }
  }
  if (!plugin)
    return Fail(path + ": no LV2 plug-in there");

  Node audioClass(lilv_new_uri(world, LV2_CORE__AudioPort));
  Node controlClass(lilv_new_uri(world, LV2_CORE__ControlPort));
  Node inputClass(lilv_new_uri(world, LV2_CORE__InputPort));
  Node integerProperty(lilv_new_uri(world, LV2_CORE__integer));
  Node toggledProperty(lilv_new_uri(world, LV2_CORE__toggled));
  Node enumProperty(lilv_new_uri(world, LV2_CORE__enumeration));
  const uint32_t portCount = lilv_plugin_get_num_ports(plugin);
  std::vector<float> minimum(portCount), maximum(portCount), defaults(portCount);
  lilv_plugin_get_port_ranges_float(plugin, minimum.data(), maximum.data(), defaults.data());
  std::vector<std::string> names;
  for (uint32_t p = 0; p < portCount; ++p)
  {
    const LilvPort* port = lilv_plugin_get_port_by_index(plugin, p);
    const bool input = lilv_port_is_a(plugin, port, inputClass);
    if (lilv_port_is_a(plugin, port, audioClass))
    {
      (input ? audioInputs : audioOutputs).push_back(p);
    }
    else if (input && lilv_port_is_a(plugin, port, controlClass))
    {
      controlInputs.push_back(p);
      RenderParamInfo info;
      Node name(lilv_port_get_name(plugin, port));
      info.name = name ? lilv_node_as_string(name) : "";
      info.minValue = std::isnan(minimum[p]) ? 0.0 : minimum[p];
      info.maxValue = std::isnan(maximum[p]) ? 1.0 : maximum[p];
      info.defaultValue = std::isnan(defaults[p]) ? info.minValue : defaults[p];
      const bool whole = lilv_port_has_property(plugin, port, integerProperty) ||
                         lilv_port_has_property(plugin, port, toggledProperty) ||
                         lilv_port_has_property(plugin, port, enumProperty);
      info.isDouble = !whole;
      info.step = whole ? 1.0 : 0.0;
      info.precision = whole ? 0 : 3;
      if (LilvScalePoints* points = lilv_port_get_scale_points(plugin, port))
      {
        LILV_FOREACH(scale_points, sp, points)
        {
          const LilvScalePoint* point = lilv_scale_points_get(points, sp);
          info.displayTexts.push_back({lilv_node_as_float(lilv_scale_point_get_value(point)),
                                       lilv_node_as_string(lilv_scale_point_get_label(point))});
        }
        lilv_scale_points_free(points);
      }
      names.push_back(info.name);
      described.push_back(info);
    }
  }
  if (audioInputs.size() != 2 || audioOutputs.size() != 2)
  {
    const std::string shape = std::to_string(audioInputs.size()) + " audio inputs and " +
                              std::to_string(audioOutputs.size()) + " audio outputs";
    return Fail(path + " has " + shape + "; only stereo effects (2 in, 2 out) can be hosted");
  }
  isOwnPlugin = uri == kOwnUri && SameParamNames(names, ownParams);
  if (isOwnPlugin)
  {
    // The tool's own table: steps, units and display texts beyond what the ports say.
    for (size_t i = 0; i < described.size(); ++i)
      described[i] = ownParams[i];
  }
  controls.resize(portCount, 0.0f);
  for (size_t i = 0; i < controlInputs.size(); ++i)
    controls[controlInputs[i]] = static_cast<float>(described[i].defaultValue);
  otherOutputs.assign(portCount, 0.0f);
  features = std::make_unique<Features>();
  return true;
}

bool Lv2ModuleHost::DescribeParams(std::vector<RenderParamInfo>& params)
{
  if (!plugin)
    return Fail("no plug-in");
  params = described;
  return true;
}

bool Lv2ModuleHost::Instantiate(double sampleRate, int frames)
{
  if (instance)
  {
    lilv_instance_deactivate(instance);
    lilv_instance_free(instance);
    instance = nullptr;
  }
  features->SetBlock(frames);
  instance = lilv_plugin_instantiate(plugin, sampleRate, features->list);
  if (!instance)
    return Fail("the plug-in could not be instantiated");
  const uint32_t portCount = lilv_plugin_get_num_ports(plugin);
  for (uint32_t p = 0; p < portCount; ++p)
  {
    const bool audio = std::find(audioInputs.begin(), audioInputs.end(), p) != audioInputs.end() ||
                       std::find(audioOutputs.begin(), audioOutputs.end(), p) != audioOutputs.end();
    const bool control = std::find(controlInputs.begin(), controlInputs.end(), p) != controlInputs.end();
    if (!audio)
      lilv_instance_connect_port(instance, p, control ? &controls[p] : &otherOutputs[p]);
  }
  lilv_instance_activate(instance);
  return true;
}

bool Lv2ModuleHost::Configure(double sampleRate, int size, RenderPrecision precision)
{
  if (!plugin)
    return Fail("no plug-in");
  if (!(sampleRate > 0.0) || !std::isfinite(sampleRate) || size < 1)
    return Fail("unusable sample rate or block size");
  if (precision == RenderPrecision::Double)
    return Fail("LV2 audio is single precision; use --precision single");
  blockSize = size;
  return Instantiate(sampleRate, size);
}

bool Lv2ModuleHost::LoadParams(const std::vector<double>& plainValues)
{
  if (!instance)
    return Fail("the plug-in is not set up");
  if (plainValues.size() != controlInputs.size())
    return Fail("expected " + std::to_string(controlInputs.size()) + " parameter values");
  for (size_t i = 0; i < plainValues.size(); ++i)
    controls[controlInputs[i]] = static_cast<float>(plainValues[i]);
  if (!isOwnPlugin)
    return true;
  // The exact values go in as the saved state; the ports hold their single-precision form.
  std::vector<uint8_t> state;
  for (double value : plainValues)
    AppendLittleEndianDouble(state, value);
  AppendLittleEndian32(state, 0);
  return LoadState(state);
}

bool Lv2ModuleHost::ProcessDouble(double* const*, double* const*, int)
{
  return Fail("LV2 audio is single precision; use --precision single");
}

bool Lv2ModuleHost::ProcessSingle(const float* const* inputs, float* const* outputs, int frames)
{
  if (!instance)
    return Fail("the plug-in is not set up");
  if (!inputs || !outputs || frames < 0 || frames > blockSize)
    return Fail("block longer than the configured size");
  for (size_t c = 0; c < 2; ++c)
  {
    lilv_instance_connect_port(instance, audioInputs[c], const_cast<float*>(inputs[c]));
    lilv_instance_connect_port(instance, audioOutputs[c], outputs[c]);
  }
  lilv_instance_run(instance, static_cast<uint32_t>(frames));
  return true;
}

bool Lv2ModuleHost::ScheduleParamChange(int index, double plainValue, int)
{
  if (index < 0 || static_cast<size_t>(index) >= controlInputs.size())
    return Fail("no parameter " + std::to_string(index));
  // Control ports hold one value per run: the change applies from the next block.
  controls[controlInputs[static_cast<size_t>(index)]] = static_cast<float>(plainValue);
  return true;
}

struct Lv2ModuleHost::StateCall
{
  LV2_URID key = 0;
  LV2_URID type = 0;
  std::vector<uint8_t> bytes;
  bool found = false;
};

namespace
{
using StateCall = Lv2ModuleHost::StateCall;

LV2_State_Status Store(LV2_State_Handle handle, uint32_t key, const void* value, size_t size, uint32_t type, uint32_t)
{
  auto* call = static_cast<StateCall*>(handle);
  if (key != call->key || type != call->type || !value)
    return LV2_STATE_SUCCESS;
  const auto* bytes = static_cast<const uint8_t*>(value);
  call->bytes.assign(bytes, bytes + size);
  call->found = true;
  return LV2_STATE_SUCCESS;
}

const void* Retrieve(LV2_State_Handle handle, uint32_t key, size_t* size, uint32_t* type, uint32_t* flags)
{
  auto* call = static_cast<StateCall*>(handle);
  if (key != call->key)
    return nullptr;
  *size = call->bytes.size();
  *type = call->type;
  *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
  return call->bytes.data();
}
}  // namespace

const void* Lv2ModuleHost::OwnState(StateCall& call)
{
  const auto* state =
    instance ? static_cast<const LV2_State_Interface*>(lilv_instance_get_extension_data(instance, LV2_STATE__interface))
             : nullptr;
  if (!state || !isOwnPlugin)
  {
    Fail("the plug-in keeps no state this tool reads");
    return nullptr;
  }
  call.key = features->Map(kOwnStateKey);
  call.type = features->Map(LV2_ATOM__Chunk);
  return state;
}

bool Lv2ModuleHost::SaveState(std::vector<uint8_t>& bytes)
{
  StateCall call;
  const auto* state = static_cast<const LV2_State_Interface*>(OwnState(call));
  if (!state)
    return false;
  if (state->save(lilv_instance_get_handle(instance), Store, &call, LV2_STATE_IS_POD, nullptr) != LV2_STATE_SUCCESS ||
      !call.found)
    return Fail("the plug-in saved no state");
  bytes = call.bytes;
  return true;
}

bool Lv2ModuleHost::LoadState(const std::vector<uint8_t>& bytes)
{
  StateCall call;
  const auto* state = static_cast<const LV2_State_Interface*>(OwnState(call));
  if (!state)
    return false;
  call.bytes = bytes;
  if (state->restore(lilv_instance_get_handle(instance), Retrieve, &call, 0, nullptr) != LV2_STATE_SUCCESS)
    return Fail("the plug-in refused the state");
  return true;
}

void Lv2ModuleHost::Release()
{
  if (instance)
  {
    lilv_instance_deactivate(instance);
    lilv_instance_free(instance);
    instance = nullptr;
  }
  plugin = nullptr;
  if (world)
  {
    lilv_world_free(world);
    world = nullptr;
  }
}
