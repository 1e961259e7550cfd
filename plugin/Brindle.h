// The plug-in class: twelve parameters, the stereo signal chain and the mono lamp.
// Its base is the wrapper of the module being built, chosen at compile time: each
// target that compiles these sources defines BRINDLE_WRAPPER_HEADER (the header to
// include) and BRINDLE_WRAPPER_CLASS (the class to derive from).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#ifndef BRINDLE_WRAPPER_HEADER
#error "BRINDLE_WRAPPER_HEADER must name the wrapper header (use brindle_add_plugin in CMake)"
#endif
#include BRINDLE_WRAPPER_HEADER

#include "Amplifier.h"
#include "BrindleVersion.h"
#include "FilteredFeedbackDelay.h"
#include "MSAmplifier.h"
#include "MeterTap.h"
#include "MovingRms.h"
#include "PanningTool.h"
#include "ParamSmoother.h"
#include "StereoTool.h"

using BrindleWrapper = BRINDLE_WRAPPER_CLASS;

class IControl;
class IGraphics;

// Value of "Channel Selector".
enum ChannelMode { kChannelStereo = 0, kChannelMid = 1, kChannelSide = 2 };

class Brindle : public BrindleWrapper {
public:
    enum ParamIndex {
        kOutputGain = 0,
        kMidGain,
        kSideGain,
        kDelayAmount,
        kWidth,
        kPanning,
        kChannelSelector,
        kInvertLeft,
        kInvertRight,
        kSwap,
        kMonoTest,
        kBypass,
        kParamCount
    };

    static constexpr int32_t kVersion = BRINDLE_VERSION_NUMBER;

    // Every wrapper's constructor takes the host context first, then the arguments of
    // the plug-in base.
    template <typename HostContext>
    explicit Brindle(HostContext hostContext)
        : BrindleWrapper(hostContext, kParamCount, "2-2", 1, "Brindle", "", "Orvane", kVersion, FourCharCode("Zqbr"),
                         FourCharCode("Zqmk"), 0, false, false, false)
    {
        Initialize();
    }
    ~Brindle() override = default;

    void OnReset() override;
    void OnParamChanged(int index) override;
    // Runs the chain in place on two channels. Blocks longer than the buffers sized by
    // the last OnReset are processed in pieces; null buffers and frames <= 0 do nothing.
    void ProcessDouble(double** inputs, double** outputs, int frames) override;
    // Also shows the lamp lit until the first lamp update from the audio path.
    void AttachEditor(IGraphics* editor) override;
    // The meters measure only while an editor is open.
    void OnEditorOpened() override;
    void OnEditorClosing() override;
    // The host's bypass: the meters still show the input and what the host receives.
    void ProcessBypassed(double** inputs, double** outputs, int frames) override;
    // The mono lamp's level, 0 (dark) to 1 (lit), as the audio path last left it.
    double MonoLampLevel() const { return monoLamp.current; }
    // Shows a lamp level measured elsewhere (an editor whose audio runs in another process).
    void ShowMonoLamp(double level);
    // What this instance's audio path measures for the meters.
    MeterTap& Meters() { return meterTap; }
    // The editor's meters show what another instance measures (the one that runs the
    // audio, for an editor-only instance); tap must outlive this instance's editor.
    void FollowMeters(MeterTap& tap);
    // While the echo is heard: until it has fallen 120 dB below the loudest input;
    // otherwise 0 (nothing rings on once the input stops).
    int CurrentTailSamples() override;
    int BypassParamIndex() const override { return kBypass; }
    // The echo's ring-out at rate, for any delay amount up to 100 %.
    static int EchoTailSamples(double rate);

    static constexpr int32_t FourCharCode(const char* code)
    {
        return int32_t((uint32_t(uint8_t(code[0])) << 24) | (uint32_t(uint8_t(code[1])) << 16) |
                       (uint32_t(uint8_t(code[2])) << 8) | uint32_t(uint8_t(code[3])));
    }

private:
    void Initialize();
    void DefineParameters();
    void ProcessPiece(const double* const* inputs, double* const* outputs, int frames);
    void DetectMono(const double* left, const double* right, int frames);
    // Window, quiet level and the lamp's decay over runs, after a change of rate.
    void TuneMonoDetector();
    void SwitchPage();
    void SettleGlides();
    // The editor's control at index, or null without an editor or such a control.
    IControl* EditorControl(int index) const;
    void SetControlHidden(int index, bool hidden);
    void SetControlGreyed(int index, bool greyed);
    double ParamValue(int index) const;

    // Fixed settings.
    static constexpr double kLeftDelayMs = 15.75;
    static constexpr double kRightDelayMs = 12.2;
    static constexpr double kLeftFeedback = 0.46;
    static constexpr double kRightFeedback = 0.4;
    static constexpr double kBandPassCentre = 1000.0;
    static constexpr double kBandPassWidth = 400.0;
    static constexpr int kBandPassOrder = 1;
    static constexpr double kMonoWindowMs = 250.0;
    static constexpr double kMonoThreshold = 0.0001;

    double sampleRate = 44100.0;
    Amplifier outputGain{44100.0};
    MSAmplifier midSide{44100.0};
    PanningTool panner{44100.0};
    StereoTool stereoTool{44100.0, 0.0};
    FilteredFeedbackDelay<2> delay{44100.0, 0.0};
    int32_t channelMode = kChannelStereo;
    double delayAmount = 0.0;
    std::vector<double> dryLeft;
    std::vector<double> dryRight;
    bool invertLeft = false;
    bool invertRight = false;
    bool swap = false;
    bool monoTest = false;
    bool bypass = false;
    // False until a block is processed after creation or OnReset: until then there is
    // no audio to smooth, so settings take effect at once instead of gliding in.
    bool audioRunning = false;
    MovingRms monoRms;
    ParamSmoother monoLamp{1.0, 44100.0, 0.0};
    int32_t lampCounter = 0;
    // Samples between lamp updates: 25 a second.
    int32_t lampInterval = 1764;
    MeterTap meterTap;
    // EchoTailSamples at the current rate, worked out on a change of rate.
    int echoTail = 0;
    // The lamp coefficient to the power k, for runs of k samples with one verdict.
    std::array<double, MovingRms::kMaxRun + 1> lampPowers{};

    // Indices in the editor's control list.
    int32_t lampControl = 15;
    int32_t firstPageControl = 2;
    int32_t secondPageControl = 1;
    int32_t meterPanelControl = -1;
    std::vector<int32_t> stereoOnlyControls{8, 9, 10, 11, 12, 13, 14};
};
