// LV2 host of the peer benchmarks, on lilv.
#include "Lv2PeerHost.h"

#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/urid/urid.h>

#include <cstring>

namespace {

constexpr size_t kAtomCapacity = 8192;

}  // namespace

struct Lv2PeerHost::World {
    LilvWorld* lilv = lilv_world_new();
    LilvInstance* instance = nullptr;
    std::map<std::string, LV2_URID> uris;
    LV2_URID_Map map{this, &World::Map};
    LV2_Feature mapFeature{LV2_URID__map, &map};
    const LV2_Feature* features[2] = {&mapFeature, nullptr};
    LV2_URID chunkType = Map(this, LV2_ATOM__Chunk);

    static LV2_URID Map(LV2_URID_Map_Handle handle, const char* uri)
    {
        auto& uris = static_cast<World*>(handle)->uris;
        auto found = uris.find(uri);
        if (found != uris.end()) {
            return found->second;
        }
        const LV2_URID id = LV2_URID(uris.size() + 1);
        uris.emplace(uri, id);
        return id;
    }

    ~World()
    {
        if (instance != nullptr) {
            lilv_instance_deactivate(instance);
            lilv_instance_free(instance);
        }
        lilv_world_free(lilv);
    }
};

Lv2PeerHost::Lv2PeerHost() : world(std::make_unique<World>()) {}

Lv2PeerHost::~Lv2PeerHost() = default;

bool Lv2PeerHost::Load(const std::string& uri, double sampleRate)
{
    LilvWorld* lilv = world->lilv;
    lilv_world_load_all(lilv);
    LilvNode* uriNode = lilv_new_uri(lilv, uri.c_str());
    const LilvPlugin* plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(lilv), uriNode);
    lilv_node_free(uriNode);
    if (plugin == nullptr) {
        failure = uri + " is not installed";
        return false;
    }
    world->instance = lilv_plugin_instantiate(plugin, sampleRate, world->features);
    if (world->instance == nullptr) {
        failure = uri + " could not be instantiated";
        return false;
    }

    LilvNode* audioClass = lilv_new_uri(lilv, LV2_CORE__AudioPort);
    LilvNode* controlClass = lilv_new_uri(lilv, LV2_CORE__ControlPort);
    LilvNode* atomClass = lilv_new_uri(lilv, LV2_ATOM__AtomPort);
    LilvNode* inputClass = lilv_new_uri(lilv, LV2_CORE__InputPort);
    const uint32_t portCount = lilv_plugin_get_num_ports(plugin);
    std::vector<float> defaults(portCount, 0.0f);
    lilv_plugin_get_port_ranges_float(plugin, nullptr, nullptr, defaults.data());
    // Reserved up front: the control map holds pointers into these.
    controlValues.assign(portCount, 0.0f);
    atomBuffers.clear();
    atomBuffers.reserve(portCount);
    int audioInputs = 0;
    int audioOutputs = 0;
    const LV2_URID sequenceType = World::Map(world.get(), LV2_ATOM__Sequence);
    for (uint32_t i = 0; i < portCount; ++i) {
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, i);
        const bool input = lilv_port_is_a(plugin, port, inputClass);
        if (lilv_port_is_a(plugin, port, audioClass)) {
            int& count = input ? audioInputs : audioOutputs;
            if (count < 2) {
                (input ? audioIn : audioOut)[count] = int(i);
            }
            ++count;
        } else if (lilv_port_is_a(plugin, port, controlClass)) {
            controlValues[i] = defaults[i] == defaults[i] ? defaults[i] : 0.0f;
            lilv_instance_connect_port(world->instance, i, &controlValues[i]);
            if (input) {
                controls[lilv_node_as_string(lilv_port_get_symbol(plugin, port))] = &controlValues[i];
            }
        } else if (lilv_port_is_a(plugin, port, atomClass)) {
            atomBuffers.emplace_back(kAtomCapacity, 0);
            auto* sequence = reinterpret_cast<LV2_Atom_Sequence*>(atomBuffers.back().data());
            // Inputs carry an empty sequence, outputs announce their capacity.
            sequence->atom.type = input ? sequenceType : world->chunkType;
            sequence->atom.size = input ? uint32_t(sizeof(LV2_Atom_Sequence_Body))
                                        : uint32_t(kAtomCapacity - sizeof(LV2_Atom));
            lilv_instance_connect_port(world->instance, i, sequence);
            if (!input) {
                atomOutputs.push_back(sequence);
            }
        } else {
            lilv_instance_connect_port(world->instance, i, nullptr);
        }
    }
    lilv_node_free(audioClass);
    lilv_node_free(controlClass);
    lilv_node_free(atomClass);
    lilv_node_free(inputClass);
    if (audioInputs != 2 || audioOutputs != 2) {
        failure = uri + " is not a stereo effect";
        return false;
    }
    lilv_instance_activate(world->instance);
    return true;
}

bool Lv2PeerHost::Set(const std::string& symbol, float value)
{
    auto found = controls.find(symbol);
    if (found == controls.end()) {
        failure = "no control " + symbol;
        return false;
    }
    *found->second = value;
    return true;
}

void Lv2PeerHost::Run(const float* left, const float* right, float* outLeft, float* outRight, int frames)
{
    LilvInstance* instance = world->instance;
    lilv_instance_connect_port(instance, uint32_t(audioIn[0]), const_cast<float*>(left));
    lilv_instance_connect_port(instance, uint32_t(audioIn[1]), const_cast<float*>(right));
    lilv_instance_connect_port(instance, uint32_t(audioOut[0]), outLeft);
    lilv_instance_connect_port(instance, uint32_t(audioOut[1]), outRight);
    for (void* output : atomOutputs) {
        auto* atom = static_cast<LV2_Atom*>(output);
        atom->type = world->chunkType;
        atom->size = uint32_t(kAtomCapacity - sizeof(LV2_Atom));
    }
    lilv_instance_run(instance, uint32_t(frames));
}
