// A small LV2 host for timing other makers' stereo plug-ins beside Brindle: loads one
// plug-in by URI, connects every port to a buffer of its own and runs blocks.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

class Lv2PeerHost {
public:
    Lv2PeerHost();
    ~Lv2PeerHost();
    Lv2PeerHost(const Lv2PeerHost&) = delete;
    Lv2PeerHost& operator=(const Lv2PeerHost&) = delete;

    // Instantiates the plug-in at the rate with every control at its default and
    // activates it. False (with Failure()) when it is not installed or not a two-in,
    // two-out audio plug-in.
    bool Load(const std::string& uri, double sampleRate);
    // Sets the control input with this symbol; false when the plug-in has none.
    bool Set(const std::string& symbol, float value);
    // Runs frames from the two inputs into the two outputs.
    void Run(const float* left, const float* right, float* outLeft, float* outRight, int frames);
    const std::string& Failure() const { return failure; }

private:
    struct World;
    std::unique_ptr<World> world;
    std::map<std::string, float*> controls;
    std::vector<float> controlValues;
    std::vector<std::vector<unsigned char>> atomBuffers;
    std::vector<void*> atomOutputs;
    int audioIn[2] = {-1, -1};
    int audioOut[2] = {-1, -1};
    std::string failure;
};
