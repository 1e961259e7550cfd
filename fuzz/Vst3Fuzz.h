// The brindle3 plug-in linked into a fuzz target, created through its factory and driven
// by the host harness, with the checks both VST 3 targets share.
#pragma once

#include <memory>
#include <vector>

#include "FuzzInput.h"
#include "HostObjects.h"
#include "PluginInstance.h"

namespace fuzz {

class Brindle3 {
public:
    // Creates and initializes one instance with a host application and a component
    // handler; aborts when that fails.
    Brindle3();
    ~Brindle3();

    vst3::IComponent* Component() const { return instance->component(); }
    vst3::IAudioProcessor* Processor() const { return instance->processor(); }
    vst3::IEditController* Controller() const { return instance->controller(); }
    // The parameter ids the controller lists, in its order.
    const std::vector<vst3::ParamID>& Ids() const { return ids; }
    // A listed id, now and then one that is not.
    vst3::ParamID AnyId(FuzzInput& in) const;

    // setupProcessing, then activation and processing on.
    void Start(vst3::int32 sampleSize, vst3::int32 maxFrames, double sampleRate);

private:
    vst3host::Owned<vst3::IPluginFactory> factory;
    vst3host::Owned<vst3host::HostApplication> host;
    vst3host::Owned<vst3host::ComponentHandler> handler;
    std::unique_ptr<vst3host::PluginInstance> instance;
    std::vector<vst3::ParamID> ids;
};

// How a process call looks: precision, frames, channels of the one input and output bus
// (0 buses when negative), and whether channel arrays are handed at all.
struct BlockShape {
    vst3::int32 sampleSize = vst3::kSample64;
    vst3::int32 frames = 0;
    vst3::int32 inputChannels = 2;
    vst3::int32 outputChannels = 2;
    bool nullChannelArrays = false;
};

// Runs one process call over a finite signal chosen by the input, with `changes`, and
// checks that every output sample is finite. Returns the plug-in's answer.
vst3::tresult ProcessAndCheck(Brindle3& plugin, FuzzInput& in, const BlockShape& shape,
                              vst3::IParameterChanges* changes);

// Component state and controller state each save the same bytes after being loaded back,
// and every parameter reads back as before.
void CheckStateRoundTrip(Brindle3& plugin);

// Every listed parameter reads as a finite normalized value.
void CheckParameters(Brindle3& plugin);

}  // namespace fuzz
