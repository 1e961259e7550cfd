// The plug-in class: parameter table, parameter-to-processor mapping, the signal chain
// and the mono detector with its lamp.
#include "Brindle.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "framework/DenormalGuard.h"
#include "framework/PluginMutex.h"
#include "graphics/IControl.h"
#include "graphics/IGraphics.h"
#include "BrindleEditor.h"
#include "MeterPanel.h"

namespace {

const double kPi = 3.14159265358979323846;

// The dry buffers hold at least this many frames, so a block arriving before the first
// OnReset (block size still 0) is processed in pieces rather than refused, and at most
// kMaxPieceFrames, so a wild block size cannot claim unbounded memory.
constexpr int kMinPieceFrames = 256;
constexpr int kMaxPieceFrames = 65536;

// Rates outside (0, 1 MHz] are ignored: they would give no smoothing at all or a mono
// window of absurd length.
constexpr double kMaxSampleRate = 1000000.0;

bool UsableSampleRate(double rate) { return std::isfinite(rate) && rate > 0.0 && rate <= kMaxSampleRate; }

int MonoWindowLength(double rate, double windowMs) { return int(rate * 0.001 * windowMs); }

// Values within half a step of 0 are 0.
double SnapToZero(double v, double tolerance) { return std::fabs(v) <= tolerance ? 0.0 : v; }

// Width and panning also snap to their ends.
double SnapToEnds(double v, double tolerance)
{
    v = SnapToZero(v, tolerance);
    if (v <= tolerance - 1.0) {
        v = -1.0;
    }
    if (v >= 1.0 - tolerance) {
        v = 1.0;
    }
    return v;
}

// Copies both channels, ordered so that a host which hands the same buffer as one
// channel's input and the other's output does not see it overwritten before it is read.
void CopyChannels(const double* const* in, double* const* out, int frames)
{
    auto copy = [frames](const double* from, double* to) {
        if (from == nullptr) {
            std::fill(to, to + frames, 0.0);
        } else if (from != to) {
            std::copy(from, from + frames, to);
        }
    };
    if (out[0] == in[1] && out[1] == in[0]) {
        std::swap_ranges(out[0], out[0] + frames, out[1]);
    } else if (out[0] == in[1]) {
        copy(in[1], out[1]);
        copy(in[0], out[0]);
    } else {
        copy(in[0], out[0]);
        copy(in[1], out[1]);
    }
}

}  // namespace

void Brindle::Initialize()
{
    if (UsableSampleRate(SampleRate())) {
        sampleRate = SampleRate();
    }
    outputGain.SetSampleRate(sampleRate);
    midSide.SetSampleRate(sampleRate);
    panner.SetSampleRate(sampleRate);
    stereoTool.SetSampleRate(sampleRate);
    delay.SetSampleRate(sampleRate);
    monoLamp.Retune(sampleRate);
    monoLamp.current = 0.0;
    monoLamp.counter = 0;
    TuneMonoDetector();
    echoTail = EchoTailSamples(sampleRate);
    dryLeft.assign(size_t(kMinPieceFrames), 0.0);
    dryRight.assign(size_t(kMinPieceFrames), 0.0);
    meterTap.Reset(sampleRate, kMinPieceFrames);

    delay.SetChannel(0, kLeftDelayMs, kLeftFeedback);
    delay.SetChannel(1, kRightDelayMs, kRightFeedback);
    Dsp::ButterworthBandPass& filter = delay.Filter();
    filter.SetParam(Dsp::kParamSampleRate, sampleRate);
    filter.SetParam(Dsp::kParamFrequency, kBandPassCentre);
    filter.SetParam(Dsp::kParamBandwidthHz, kBandPassWidth);
    filter.SetParam(Dsp::kParamOrder, kBandPassOrder);

    DefineParameters();

    BrindleEditorLayout layout;
    IGraphics* editor = BuildBrindleEditor(this, meterTap, layout);
    lampControl = layout.lampControl;
    firstPageControl = layout.firstPageControl;
    secondPageControl = layout.secondPageControl;
    meterPanelControl = layout.meterPanel;
    stereoOnlyControls = layout.stereoOnlyControls;
    AttachEditor(editor);
}

void Brindle::DefineParameters()
{
    GetParam(kOutputGain)->DefineDouble("Output Gain", 0.0, -10.0, 10.0, 0.1, "dB");
    GetParam(kMidGain)->DefineDouble("Mid Gain", 0.0, -10.0, 10.0, 0.1, "dB");
    GetParam(kSideGain)->DefineDouble("Side Gain", 0.0, -10.0, 10.0, 0.1, "dB");

    IParam* amount = GetParam(kDelayAmount);
    amount->DefineDouble("Delay Amount", 0.0, 0.0, 100.0, 0.1, "%");
    amount->AddDisplayText(0.0, "zero", 0.5 * amount->Step());

    IParam* width = GetParam(kWidth);
    width->DefineDouble("Width", 0.0, -1.0, 1.0, 0.01);
    const double widthTolerance = 0.5 * width->Step();
    width->AddDisplayText(0.0, "0.00", widthTolerance);
    width->AddDisplayText(-1.0, "mid", widthTolerance);
    width->AddDisplayText(1.0, "side", widthTolerance);

    IParam* panning = GetParam(kPanning);
    panning->DefineDouble("Panning", 0.0, -1.0, 1.0, 0.01);
    const double panTolerance = 0.5 * panning->Step();
    panning->AddDisplayText(0.0, "center", panTolerance);
    panning->AddDisplayText(-1.0, "left", panTolerance);
    panning->AddDisplayText(1.0, "right", panTolerance);

    IParam* selector = GetParam(kChannelSelector);
    selector->DefineEnum("Channel Selector", 0, 3);
    selector->AddDisplayText(0.0, "stereo");
    selector->AddDisplayText(1.0, "mid");
    selector->AddDisplayText(2.0, "side");

    GetParam(kInvertLeft)->DefineBool("Invert Left");
    GetParam(kInvertRight)->DefineBool("Invert Right");
    GetParam(kSwap)->DefineBool("L/R swap");
    GetParam(kMonoTest)->DefineBool("Mono Test");
    GetParam(kBypass)->DefineBool("Bypass");
}

void Brindle::AttachEditor(IGraphics* editor)
{
    BrindleWrapper::AttachEditor(editor);
    if (IControl* lamp = EditorControl(lampControl)) {
        lamp->UpdateFromPlug(1.0);
    }
}

void Brindle::OnEditorOpened()
{
    if (auto* panel = dynamic_cast<MeterPanel*>(EditorControl(meterPanelControl))) {
        panel->Start();
    }
}

void Brindle::OnEditorClosing()
{
    if (auto* panel = dynamic_cast<MeterPanel*>(EditorControl(meterPanelControl))) {
        panel->Stop();
    }
    meterTap.SetListening(false);
}

void Brindle::FollowMeters(MeterTap& tap)
{
    if (auto* panel = dynamic_cast<MeterPanel*>(EditorControl(meterPanelControl))) {
        panel->UseTap(tap);
    }
}

void Brindle::ShowMonoLamp(double level)
{
    if (IControl* lamp = EditorControl(lampControl)) {
        lamp->UpdateFromPlug(level);
    }
}

double Brindle::ParamValue(int index) const
{
    const IParam* param = GetParam(index);
    return param != nullptr ? param->Value() : 0.0;
}

void Brindle::OnReset()
{
    PluginLock lock(Mutex());
    const int pieceFrames = std::clamp(BlockSize(), kMinPieceFrames, kMaxPieceFrames);
    dryLeft.assign(size_t(pieceFrames), 0.0);
    dryRight.assign(size_t(pieceFrames), 0.0);
    SettleGlides();
    meterTap.Reset(UsableSampleRate(SampleRate()) ? SampleRate() : sampleRate, pieceFrames);
    audioRunning = false;

    const double rate = SampleRate();
    if (!UsableSampleRate(rate)) {
        return;
    }
    sampleRate = rate;
    midSide.SetSampleRate(rate);
    outputGain.SetSampleRate(rate);
    panner.SetSampleRate(rate);
    stereoTool.SetSampleRate(rate);
    delay.SetSampleRate(rate);
    monoLamp.Retune(rate);
    TuneMonoDetector();
    echoTail = EchoTailSamples(rate);
}

int Brindle::EchoTailSamples(double rate)
{
    // After the input stops, each line still holds at most 1 / (1 - feedback) times the
    // loudest input and gives it out once per pass, weaker by the feedback each time.
    // The band-pass rings on for its own -120 dB decay time, ln(10^6) / (pi * width).
    constexpr double kFloor = 1e-6;
    double seconds = 0.0;
    const std::pair<double, double> lines[] = {{kLeftDelayMs, kLeftFeedback}, {kRightDelayMs, kRightFeedback}};
    for (const auto& [delayMs, feedback] : lines) {
        const double passes = std::ceil(std::log(kFloor * (1.0 - feedback)) / std::log(feedback));
        seconds = std::max(seconds, passes * delayMs * 0.001);
    }
    seconds += std::log(1.0 / kFloor) / (kPi * kBandPassWidth);
    return UsableSampleRate(rate) ? int(std::ceil(seconds * rate)) : 0;
}

int Brindle::CurrentTailSamples()
{
    PluginLock lock(Mutex());
    if (bypass || channelMode != kChannelStereo || !(delayAmount > 0.0)) {
        return 0;
    }
    return echoTail;
}

void Brindle::OnParamChanged(int index)
{
    PluginLock lock(Mutex());
    const IParam* param = GetParam(index);
    if (param == nullptr || !std::isfinite(param->Value())) {
        return;
    }
    const double v = param->Value();
    const double tolerance = 0.5 * param->Step();
    switch (index) {
    case kOutputGain:
        outputGain.gain = std::pow(10.0, 0.05 * SnapToZero(v, tolerance));
        outputGain.gainSmoother.counter = 0;
        break;
    case kMidGain:
        midSide.midGain = std::pow(10.0, 0.05 * SnapToZero(v, tolerance));
        midSide.midSmoother.counter = 0;
        break;
    case kSideGain:
        midSide.sideGain = std::pow(10.0, 0.05 * SnapToZero(v, tolerance));
        midSide.sideSmoother.counter = 0;
        break;
    case kDelayAmount:
        delayAmount = 0.01 * (v <= tolerance ? 0.0 : v);
        break;
    case kWidth:
        stereoTool.SetWidth(SnapToEnds(v, tolerance));
        break;
    case kPanning: {
        const double p = std::clamp((SnapToEnds(v, tolerance) + 1.0) * 0.5, 0.0, 1.0);
        panner.position = p;
        panner.leftGain = std::cos(p * kPi / 2.0);
        panner.rightGain = std::sin(p * kPi / 2.0);
        panner.leftSmoother.counter = 0;
        panner.rightSmoother.counter = 0;
        break;
    }
    case kChannelSelector:
        channelMode = int32_t(std::clamp(v, 0.0, 2.0));
        SwitchPage();
        break;
    case kInvertLeft:
        invertLeft = v >= 0.5;
        break;
    case kInvertRight:
        invertRight = v >= 0.5;
        break;
    case kSwap:
        swap = v >= 0.5;
        break;
    case kMonoTest:
        monoTest = v >= 0.5;
        break;
    case kBypass:
        bypass = v >= 0.5;
        delay.Clear();
        break;
    default:
        break;
    }
    if (!audioRunning) {
        SettleGlides();
    }
}

void Brindle::SettleGlides()
{
    outputGain.Settle();
    midSide.Settle();
    panner.Settle();
    stereoTool.Settle();
}

void Brindle::SwitchPage()
{
    const bool stereo = channelMode == kChannelStereo;
    if (stereo) {
        stereoTool.SetWidth(ParamValue(kWidth));
    } else {
        stereoTool.SetWidth(channelMode == kChannelMid ? -1.0 : 1.0);
    }
    SetControlHidden(firstPageControl, !stereo);
    SetControlHidden(secondPageControl, stereo);
    for (int32_t index : stereoOnlyControls) {
        SetControlGreyed(index, !stereo);
    }
    if (!stereo) {
        delay.Clear();
    }
}

IControl* Brindle::EditorControl(int index) const
{
    return Editor() != nullptr ? Editor()->GetControl(index) : nullptr;
}

void Brindle::SetControlHidden(int index, bool hidden)
{
    if (IControl* control = EditorControl(index)) {
        control->SetHidden(hidden);
    }
}

void Brindle::SetControlGreyed(int index, bool greyed)
{
    if (IControl* control = EditorControl(index)) {
        control->SetGreyed(greyed);
    }
}

void Brindle::ProcessDouble(double** inputs, double** outputs, int frames)
{
    if (inputs == nullptr || outputs == nullptr || outputs[0] == nullptr || outputs[1] == nullptr || frames <= 0) {
        return;
    }
    DenormalGuard denormals(FlushingDenormals());
    audioRunning = true;
    const int piece = int(dryLeft.size());
    for (int done = 0; done < frames; done += piece) {
        const int count = std::min(piece, frames - done);
        const double* in[2] = {inputs[0] != nullptr ? inputs[0] + done : nullptr,
                               inputs[1] != nullptr ? inputs[1] + done : nullptr};
        double* out[2] = {outputs[0] + done, outputs[1] + done};
        ProcessPiece(in, out, count);
    }
}

void Brindle::ProcessBypassed(double** inputs, double** outputs, int frames)
{
    meterTap.KeepInput(inputs, frames);
    BrindleWrapper::ProcessBypassed(inputs, outputs, frames);
    if (outputs != nullptr && outputs[0] != nullptr && outputs[1] != nullptr) {
        meterTap.MeasureOutput(outputs, frames);
    }
}

void Brindle::ProcessPiece(const double* const* inputs, double* const* outputs, int frames)
{
    meterTap.KeepInput(inputs, frames);
    CopyChannels(inputs, outputs, frames);
    if (bypass) {
        meterTap.MeasureOutput(outputs, frames);
        return;
    }
    double* left = outputs[0];
    double* right = outputs[1];
    DetectMono(left, right, frames);

    if (channelMode == kChannelStereo) {
        if (invertLeft) {
            for (int i = 0; i < frames; ++i) {
                left[i] *= -1.0;
            }
        }
        if (invertRight) {
            for (int i = 0; i < frames; ++i) {
                right[i] *= -1.0;
            }
        }
        // The samples change places, so the host's left output carries what the chain
        // makes of the right input whatever precision or buffers the host uses.
        if (swap) {
            std::swap_ranges(left, left + frames, right);
        }
        if (delayAmount > 0.0 && !delay.AddEcho(outputs, frames, delayAmount)) {
            double* dryL = dryLeft.data();
            double* dryR = dryRight.data();
            std::copy(left, left + frames, dryL);
            std::copy(right, right + frames, dryR);
            delay.Process(outputs, outputs, frames);
            const double amount = delayAmount;
            for (int i = 0; i < frames; ++i) {
                left[i] = left[i] * amount + dryL[i];
                right[i] = right[i] * amount + dryR[i];
            }
        }
    }

    stereoTool.Process(outputs, outputs, frames);
    panner.Process(outputs, outputs, frames);
    midSide.Process(outputs, outputs, frames);
    outputGain.Process(outputs, outputs, frames);

    if (monoTest) {
        for (int i = 0; i < frames; ++i) {
            const double sum = (left[i] + right[i]) * 0.5;
            left[i] = sum;
            right[i] = sum;
        }
    }
    meterTap.MeasureOutput(outputs, frames);
}

void Brindle::DetectMono(const double* left, const double* right, int frames)
{
    const double coefficient = monoLamp.coefficient;
    double lamp = monoLamp.current;
    bool quiet[MovingRms::kMaxRun];
    for (int done = 0; done < frames;) {
        const int run = std::min(frames - done, MovingRms::kMaxRun);
        const int quietCount = monoRms.PushDifferences(left + done, right + done, run, quiet);
        // Usually every sample of a run gets the same verdict: then the one-pole moves
        // in one step, in closed form, as only the display sees its value.
        const bool uniform = quietCount == 0 || quietCount == run;
        for (int i = 0; i < run;) {
            // Samples up to and including the next lamp update, or to the end of the run.
            const int toUpdate = std::max(0, lampInterval - lampCounter);
            const int count = std::min(run - i, toUpdate + 1);
            if (uniform) {
                const double decay = lampPowers[size_t(count)];
                lamp = quietCount > 0 ? (lamp - 1.0) * decay + 1.0 : lamp * decay;
            } else {
                for (int k = i; k < i + count; ++k) {
                    lamp = quiet[k] ? (lamp - 1.0) * coefficient + 1.0 : lamp * coefficient;
                }
            }
            i += count;
            if (count > toUpdate) {
                if (IControl* control = EditorControl(lampControl)) {
                    control->UpdateFromPlug(lamp);
                }
                lampCounter = 1;
            } else {
                lampCounter += count;
            }
        }
        done += run;
    }
    monoLamp.current = lamp;
}

void Brindle::TuneMonoDetector()
{
    lampInterval = int(sampleRate) / 25;
    monoRms.Reset(MonoWindowLength(sampleRate, kMonoWindowMs));
    monoRms.SetQuietLevel(kMonoThreshold);
    for (size_t k = 0; k < lampPowers.size(); ++k) {
        lampPowers[k] = std::pow(monoLamp.coefficient, double(k));
    }
}
