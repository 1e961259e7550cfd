// Brindle's editor on a (virtual) X display, opened by every Linux module the way
// hosts open it: a VST 3 view attached to an X window with a run loop from the
// host's frame, a VST 2 editor opened with effEditOpen and paced by effEditIdle,
// the LV2 editor embedded in ui:parent and paced by ui:idleInterface, and a CLAP
// editor embedded with set_parent and paced by the host's timer and descriptor
// support. Input is real X events made by the XTest extension; what the window
// shows is read back from the server and compared with the window-less snapshot.
#include <gtest/gtest.h>
#include <poll.h>

#include <atomic>
#include <map>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ClapHost.h"
#include "PixBitmap.h"
#include "PixPng.h"
#include "PluginInstance.h"
#include "ProcessBuffers.h"
#include "Vst2Host.h"
#include "Vst2Module.h"
#include "Vst3Module.h"
#include "X11Host.h"
#include "graphics/IGraphicsLinux.h"
#include "graphics/IMenu.h"
#include "plugin/BrindleEditor.h"

#include <dlfcn.h>
#include <lv2/core/lv2.h>
#include <lv2/data-access/data-access.h>
#include <lv2/instance-access/instance-access.h>
#include <lv2/ui/ui.h>

using namespace vst3;
using namespace vst3host;
using x11host::Capture;
using x11host::RunLoopFrame;
using x11host::TestDisplay;

namespace {

constexpr int kWidth = kEditorWidth;
constexpr int kHeight = kEditorHeight;
constexpr int kWidthParam = 4;
constexpr int kDelayAmountParam = 3;
constexpr int kChannelSelectorParam = 6;

// Where things are in the editor (window pixels), from its layout: the "Width"
// knob is 48 pixels of knob above a 13-pixel value line at (360, 142), so its
// control is 61 pixels high; "Delay Amount" sits at (280, 142); the three 32-pixel
// channel buttons start at x = 86 with no gap; the about page opens from (202, 278).
constexpr int kWidthKnobX = 384, kWidthKnobY = 166;
constexpr int kWidthTextX = 384, kWidthTextY = 196;
constexpr int kDelayTextX = 304, kDelayTextY = 196;
constexpr int kStereoButtonX = 102, kMidButtonX = 134, kChannelButtonY = 70;
constexpr int kAboutX = 236, kAboutY = 292;

// The window-less editor of the same settings, drawn by brindle-snapshot.
Capture Snapshot(const std::vector<std::string>& arguments) {
    static int serial = 0;
    const std::string path = std::string(GUI_OUTPUT_DIR) + "/snapshot-" + std::to_string(++serial) + ".png";
    std::string command = std::string("\"") + SNAPSHOT_TOOL + "\"";
    for (const std::string& argument : arguments) command += " \"" + argument + "\"";
    command += " \"" + path + "\"";
    Capture result;
    if (std::system(command.c_str()) != 0) return result;
    std::ifstream file(path, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::unique_ptr<PIX_MemBitmap> image(LoadPngFromMemory(bytes.data(), bytes.size()));
    if (!image) return result;
    result.width = image->Width();
    result.height = image->Height();
    for (int y = 0; y < result.height; ++y)
        for (int x = 0; x < result.width; ++x)
            result.pixels.push_back(image->Pixels()[size_t(y) * size_t(image->RowStride()) + size_t(x)] & 0xFFFFFF);
    return result;
}

// Pixels that differ between two captures of the same size (all, when the sizes
// differ), leaving out areas whose content is known to differ.
int DifferingPixels(const Capture& a, const Capture& b, std::initializer_list<IRect> leaveOut = {}) {
    if (a.width != b.width || a.height != b.height) return kWidth * kHeight;
    int count = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            bool left = false;
            for (const IRect& area : leaveOut) left = left || area.Contains(x, y);
            count += a.at(x, y) != b.at(x, y) && !left;
        }
    return count;
}

// A 32-bit float stereo WAV file of the two channels at rate.
bool WriteFloatWav(const std::string& path, const std::vector<float>& left, const std::vector<float>& right,
                   uint32_t rate) {
    std::ofstream file(path, std::ios::binary);
    auto u32 = [&](uint32_t v) { file.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](uint16_t v) { file.write(reinterpret_cast<const char*>(&v), 2); };
    const uint32_t dataBytes = uint32_t(left.size() * 8);
    file.write("RIFF", 4);
    u32(36 + dataBytes);
    file.write("WAVEfmt ", 8);
    u32(16);
    u16(3);  // IEEE float
    u16(2);
    u32(rate);
    u32(rate * 8);
    u16(8);
    u16(32);
    file.write("data", 4);
    u32(dataBytes);
    for (size_t i = 0; i < left.size(); ++i) {
        file.write(reinterpret_cast<const char*>(&left[i]), 4);
        file.write(reinterpret_cast<const char*>(&right[i]), 4);
    }
    return bool(file);
}

// One plug-in instance with its editor in a host window, as either format.
class HostedEditor {
public:
    virtual ~HostedEditor() = default;
    virtual bool open(unsigned long parent) = 0;
    virtual void close() = 0;
    // The host's UI loop for a while, or until the editor's timer ran this often.
    virtual void run(int milliseconds) = 0;
    virtual void ticks(int count) = 0;
    virtual double param(int index) = 0;
    // A change from the host (automation).
    virtual void automate(int index, double normalized) = 0;
    // The edits the plug-in reported: "begin 4", "perform 4", "end 4".
    virtual std::vector<std::string> edits() = 0;
    virtual void clearEdits() = 0;
    // The last value the plug-in reported for the parameter.
    virtual double lastReported(int index) = 0;
    // One block of audio with a host change of the parameter, as the audio thread brings it.
    virtual void audioBlock(int index, double normalized) = 0;
    // Plays the two channels through the plug-in in blocks of 512 frames.
    virtual void play(const std::vector<float>& left, const std::vector<float>& right) = 0;
};

class Vst3Editor : public HostedEditor {
public:
    Vst3Editor() {
        module = Vst3Module::load(BRINDLE3_BUNDLE, error);
        if (module) instance = PluginInstance::create(module->factory(), 0, host, error);
        if (!instance) return;
        instance->controller()->setComponentHandler(handler);
        ProcessSetup setup{kRealtime, kSample32, 512, 44100.0};
        instance->processor()->setupProcessing(setup);
        instance->component()->setActive(1);
        view = instance->controller()->createView("editor");
        if (view) view->setFrame(frame);
    }
    ~Vst3Editor() override {
        if (view) {
            if (attached) view->removed();
            view->release();
        }
        if (instance) instance->component()->setActive(0);
        instance.reset();
        module.reset();
        frame->release();
        handler->release();
        host->release();
    }
    bool ready() const { return view != nullptr; }
    bool open(unsigned long parent) override {
        attached = view->attached(reinterpret_cast<void*>(parent), "X11EmbedWindowID") == kResultOk;
        return attached;
    }
    void close() override {
        view->removed();
        attached = false;
    }
    void run(int milliseconds) override { frame->runFor(milliseconds); }
    void ticks(int count) override { frame->runTicks(count); }
    double param(int index) override { return instance->controller()->getParamNormalized(ParamID(index)); }
    void automate(int index, double normalized) override {
        // As the host's audio thread brings it: a parameter change in a block without audio.
        auto* changes = new ParameterChanges;
        changes->add(ParamID(index), 0, normalized);
        ProcessBuffers buffers(kSample32, 2, 2, 512);
        ProcessData& data = buffers.prepare(0, changes);
        data.numInputs = data.numOutputs = 0;
        data.inputs = data.outputs = nullptr;
        instance->processor()->process(data);
        changes->release();
    }
    std::vector<std::string> edits() override {
        std::vector<std::string> result;
        for (const auto& call : handler->calls) {
            const std::string name = call.method == "beginEdit" ? "begin" : call.method == "endEdit" ? "end" : "perform";
            result.push_back(name + " " + std::to_string(call.id));
        }
        return result;
    }
    void clearEdits() override { handler->calls.clear(); }
    double lastReported(int index) override {
        double value = -1;
        for (const auto& call : handler->calls)
            if (call.method == "performEdit" && call.id == ParamID(index)) value = call.value;
        return value;
    }
    void audioBlock(int index, double normalized) override {
        auto* changes = new ParameterChanges;
        changes->add(ParamID(index), 0, normalized);
        for (int32 f = 0; f < 256; ++f) {
            audio.setInput(0, f, 0.5 * std::sin(0.05 * (f + index)));
            audio.setInput(1, f, 0.25 * std::sin(0.07 * f));
        }
        instance->processor()->process(audio.prepare(256, changes));
        changes->release();
    }
    void play(const std::vector<float>& left, const std::vector<float>& right) override {
        ProcessBuffers buffers{kSample32, 2, 2, 512};
        for (size_t done = 0; done < left.size(); done += 512) {
            const int32 count = int32(std::min<size_t>(512, left.size() - done));
            for (int32 f = 0; f < count; ++f) {
                buffers.setInput(0, f, left[done + size_t(f)]);
                buffers.setInput(1, f, right[done + size_t(f)]);
            }
            instance->processor()->process(buffers.prepare(count, nullptr));
        }
    }
    ProcessBuffers audio{kSample32, 2, 2, 512};

    std::string error;
    HostApplication* host = new HostApplication("brindle x11 host");
    ComponentHandler* handler = new ComponentHandler;
    RunLoopFrame* frame = new RunLoopFrame;
    std::unique_ptr<Vst3Module> module;
    std::unique_ptr<PluginInstance> instance;
    IPlugView* view = nullptr;
    bool attached = false;
};

class Vst2Editor : public HostedEditor {
public:
    Vst2Editor() {
        if (!module.Load(BRINDLE2_MODULE_PATH, &error) || !host.Create(module, &error)) return;
        host.Start(44100.0f, 512);
        created = true;
    }
    ~Vst2Editor() override {
        if (created) host.Close();
    }
    bool ready() const { return created; }
    bool open(unsigned long parent) override {
        return host.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(parent)) == 1;
    }
    void close() override { host.Dispatch(effEditClose); }
    // Hosts call effEditIdle from their UI loop at about the editor's frame rate.
    void run(int milliseconds) override {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        do idle();
        while (std::chrono::steady_clock::now() < end);
    }
    void ticks(int count) override {
        for (int i = 0; i < count; ++i) idle();
    }
    double param(int index) override { return host.GetParameter(index); }
    void automate(int index, double normalized) override { host.SetParameter(index, float(normalized)); }
    std::vector<std::string> edits() override {
        std::vector<std::string> result;
        for (const auto& call : host.Calls()) {
            if (call.opcode == audioMasterBeginEdit) result.push_back("begin " + std::to_string(call.index));
            if (call.opcode == audioMasterAutomate) result.push_back("perform " + std::to_string(call.index));
            if (call.opcode == audioMasterEndEdit) result.push_back("end " + std::to_string(call.index));
        }
        return result;
    }
    void clearEdits() override { host.ClearCalls(); }
    double lastReported(int index) override {
        double value = -1;
        for (const auto& call : host.Calls())
            if (call.opcode == audioMasterAutomate && call.index == index) value = call.opt;
        return value;
    }
    void audioBlock(int index, double normalized) override {
        host.SetParameter(index, float(normalized));
        for (int f = 0; f < 256; ++f) {
            audioIn[0][f] = float(0.5 * std::sin(0.05 * (f + index)));
            audioIn[1][f] = float(0.25 * std::sin(0.07 * f));
        }
        host.ProcessReplacing(audioIn, audioOut, 256);
    }
    void play(const std::vector<float>& left, const std::vector<float>& right) override {
        host.PlayReplacing(left, right, 512);
    }
    void idle() {
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
        host.Dispatch(effEditIdle);
    }

    std::string error;
    vst2host::Vst2Module module;
    vst2host::Vst2Host host;
    bool created = false;
    std::vector<std::vector<float>> audioIn{2, std::vector<float>(256)}, audioOut{2, std::vector<float>(256)};
};

// The LV2 bundle as a host with out-of-process editors runs it: the editor module and
// the DSP module are separate libraries that share nothing but port values, which the
// host carries between them (write function and ui:touch one way, port_event the
// other) on its UI thread; ui:idleInterface paces the editor.
class Lv2Editor : public HostedEditor {
public:
    // Plain ranges of the twelve control ports, by parameter index.
    static constexpr float kMin[12] = {-10, -10, -10, 0, -1, -1, 0, 0, 0, 0, 0, 0};
    static constexpr float kMax[12] = {10, 10, 10, 100, 1, 1, 2, 1, 1, 1, 1, 1};
    static constexpr uint32_t kFirstControl = 4;
    static constexpr uint32_t kLampPort = 16;

    Lv2Editor() {
        dspLibrary = dlopen(BRINDLE_LV2_BUNDLE "/brindle.so", RTLD_NOW | RTLD_LOCAL);
        uiLibrary = dlopen(BRINDLE_LV2_BUNDLE "/brindle_ui.so", RTLD_NOW | RTLD_LOCAL);
        if (!dspLibrary || !uiLibrary) {
            error = std::string("cannot load the bundle's libraries: ") + dlerror();
            return;
        }
        auto dspEntry = reinterpret_cast<const LV2_Descriptor* (*)(uint32_t)>(dlsym(dspLibrary, "lv2_descriptor"));
        auto uiEntry = reinterpret_cast<const LV2UI_Descriptor* (*)(uint32_t)>(dlsym(uiLibrary, "lv2ui_descriptor"));
        dsp = dspEntry ? dspEntry(0) : nullptr;
        ui = uiEntry ? uiEntry(0) : nullptr;
        const LV2_Feature* none[] = {nullptr};
        instance = dsp ? dsp->instantiate(dsp, 44100.0, BRINDLE_LV2_BUNDLE "/", none) : nullptr;
        if (!instance || !ui) {
            error = "no plug-in or editor in the bundle";
            return;
        }
        for (uint32_t p = kFirstControl; p <= kLampPort; ++p) dsp->connect_port(instance, p, &dspControls[p]);
        dsp->activate(instance);
    }
    ~Lv2Editor() override {
        close();
        if (instance) {
            dsp->deactivate(instance);
            dsp->cleanup(instance);
        }
        if (uiLibrary) dlclose(uiLibrary);
        if (dspLibrary) dlclose(dspLibrary);
    }
    bool ready() const { return instance && ui; }

    bool open(unsigned long parent) override {
        close();
        LV2_Feature parentFeature{LV2_UI__parent, reinterpret_cast<void*>(parent)};
        LV2_Feature resizeFeature{LV2_UI__resize, &resize};
        LV2_Feature touchFeature{LV2_UI__touch, &touch};
        LV2_Feature idleFeature{LV2_UI__idleInterface, nullptr};
        // As hosts that run the editor in the DSP's process offer them.
        LV2_Extension_Data_Feature dataAccess{dsp->extension_data};
        LV2_Feature instanceFeature{LV2_INSTANCE_ACCESS_URI, instance};
        LV2_Feature dataFeature{LV2_DATA_ACCESS_URI, &dataAccess};
        const LV2_Feature* features[] = {&parentFeature, &resizeFeature, &touchFeature, &idleFeature,
                                         offerInstanceAccess ? &instanceFeature : nullptr, &dataFeature, nullptr};
        LV2UI_Widget widget = nullptr;
        handle = ui->instantiate(ui, "urn:orvane:brindle", BRINDLE_LV2_BUNDLE "/", Write, this, &widget, features);
        if (!handle) return false;
        this->widget = reinterpret_cast<uintptr_t>(widget);
        idle = static_cast<const LV2UI_Idle_Interface*>(ui->extension_data(LV2_UI__idleInterface));
        // A host hands a new editor every control value.
        for (int i = 0; i < 12; ++i) sendToEditor(kFirstControl + uint32_t(i), hostValues[i].load());
        return idle != nullptr;
    }
    void close() override {
        if (handle) ui->cleanup(handle);
        handle = nullptr;
    }
    void run(int milliseconds) override {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        do step();
        while (std::chrono::steady_clock::now() < end);
    }
    void ticks(int count) override {
        for (int i = 0; i < count; ++i) step();
    }
    double param(int index) override { return normalized(index, hostValues[index].load()); }
    void automate(int index, double value) override {
        const float plain = float(kMin[index] + value * (kMax[index] - kMin[index]));
        hostValues[index] = plain;
        sendToEditor(kFirstControl + uint32_t(index), plain);
    }
    std::vector<std::string> edits() override { return calls; }
    void clearEdits() override { calls.clear(); }
    double lastReported(int index) override { return reported[index]; }
    // The audio thread: the host's change goes to the DSP port and, later, on the
    // UI thread, to the editor.
    void audioBlock(int index, double value) override {
        hostValues[index] = float(kMin[index] + value * (kMax[index] - kMin[index]));
        changedByAudio = true;
        for (int i = 0; i < 12; ++i) dspControls[kFirstControl + uint32_t(i)] = hostValues[i].load();
        for (int f = 0; f < 256; ++f) {
            audioIn[0][f] = float(0.5 * std::sin(0.05 * (f + index)));
            audioIn[1][f] = float(0.25 * std::sin(0.07 * f));
        }
        dsp->connect_port(instance, 0, audioIn[0]);
        dsp->connect_port(instance, 1, audioIn[1]);
        dsp->connect_port(instance, 2, audioOut[0]);
        dsp->connect_port(instance, 3, audioOut[1]);
        dsp->run(instance, 256);
        lamp = dspControls[kLampPort];
    }

    // The DSP instance plays; the host carries the lamp over its port, the meters reach
    // the editor only through instance access.
    void play(const std::vector<float>& left, const std::vector<float>& right) override {
        for (size_t done = 0; done < left.size(); done += 256) {
            const size_t count = std::min<size_t>(256, left.size() - done);
            std::copy_n(left.begin() + long(done), count, audioIn[0]);
            std::copy_n(right.begin() + long(done), count, audioIn[1]);
            dsp->connect_port(instance, 0, audioIn[0]);
            dsp->connect_port(instance, 1, audioIn[1]);
            dsp->connect_port(instance, 2, audioOut[0]);
            dsp->connect_port(instance, 3, audioOut[1]);
            dsp->run(instance, uint32_t(count));
        }
        lamp = dspControls[kLampPort];
        changedByAudio = true;
    }

    std::string error;
    bool offerInstanceAccess = true;
    uintptr_t widget = 0;
    int resizedWidth = 0, resizedHeight = 0;
    LV2UI_Handle handle = nullptr;
    const LV2UI_Descriptor* ui = nullptr;

private:
    static double normalized(int index, float plain) { return (plain - kMin[index]) / (kMax[index] - kMin[index]); }
    void sendToEditor(uint32_t port, float value) {
        if (handle) ui->port_event(handle, port, sizeof value, 0, &value);
    }
    // One pass of the host's UI loop at the editor's frame period.
    void step() {
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
        if (changedByAudio.exchange(false)) {
            for (int i = 0; i < 12; ++i) sendToEditor(kFirstControl + uint32_t(i), hostValues[i].load());
            sendToEditor(kLampPort, lamp.load());
        }
        if (handle && idle) idle->idle(handle);
    }
    static void Write(LV2UI_Controller controller, uint32_t port, uint32_t size, uint32_t format, const void* buffer) {
        auto* self = static_cast<Lv2Editor*>(controller);
        if (format != 0 || size != sizeof(float) || port < kFirstControl || port >= kLampPort) return;
        const int index = int(port - kFirstControl);
        const float value = *static_cast<const float*>(buffer);
        self->hostValues[index] = value;
        self->reported[index] = normalized(index, value);
        self->calls.push_back("perform " + std::to_string(index));
    }
    static void Touch(LV2UI_Feature_Handle handle, uint32_t port, bool grabbed) {
        static_cast<Lv2Editor*>(handle)->calls.push_back((grabbed ? "begin " : "end ") +
                                                         std::to_string(int(port) - int(kFirstControl)));
    }
    static int Resize(LV2UI_Feature_Handle handle, int width, int height) {
        auto* self = static_cast<Lv2Editor*>(handle);
        self->resizedWidth = width;
        self->resizedHeight = height;
        return 0;
    }

    void* dspLibrary = nullptr;
    void* uiLibrary = nullptr;
    const LV2_Descriptor* dsp = nullptr;
    LV2_Handle instance = nullptr;
    const LV2UI_Idle_Interface* idle = nullptr;
    LV2UI_Resize resize{this, Resize};
    LV2UI_Touch touch{this, Touch};
    std::atomic<float> hostValues[12] = {};
    std::atomic<bool> changedByAudio{false};
    std::atomic<float> lamp{0.0f};
    float dspControls[17] = {};
    double reported[12] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
    std::vector<std::string> calls;
    float audioIn[2][256] = {}, audioOut[2][256] = {};
};

class ClapEditor : public HostedEditor {
public:
    ClapEditor() {
        module = claphost::ClapModule::Load(BRINDLE_CLAP_MODULE, error);
        if (module) instance = claphost::ClapInstance::Create(*module, host, "com.orvane.brindle", error);
        if (!instance || !instance->gui || !instance->params) return;
        p = instance->Plugin();
        instance->Activate(44100.0, 1, 512);
        instance->StartProcessing();
        created = instance->gui->create(p, "x11", false);
    }
    ~ClapEditor() override {
        if (created) instance->gui->destroy(p);
        instance.reset();
        module.reset();
    }
    bool ready() const { return created; }
    bool open(unsigned long parent) override {
        if (!created) created = instance->gui->create(p, "x11", false);
        clap_window window{"x11", {nullptr}};
        window.x11 = parent;
        return created && instance->gui->set_parent(p, &window) && instance->gui->show(p);
    }
    // As hosts close an embedded editor: destroy, ready to be created again.
    void close() override {
        instance->gui->destroy(p);
        created = false;
    }
    void run(int milliseconds) override {
        loop(std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds), 0);
    }
    void ticks(int count) override { loop(std::chrono::steady_clock::time_point::max(), count); }
    double param(int index) override { return normalized(index, instance->Value(clap_id(index))); }
    void automate(int index, double value) override { block(index, value, 16); }
    std::vector<std::string> edits() override {
        collect();
        std::vector<std::string> result;
        for (const auto& event : outbox.events) {
            const char* name = event.type == CLAP_EVENT_PARAM_GESTURE_BEGIN ? "begin "
                               : event.type == CLAP_EVENT_PARAM_GESTURE_END ? "end "
                                                                            : "perform ";
            result.push_back(name + std::to_string(event.param));
        }
        return result;
    }
    void clearEdits() override {
        collect();
        outbox.events.clear();
    }
    double lastReported(int index) override {
        collect();
        double value = -1;
        for (const auto& event : outbox.events)
            if (event.type == CLAP_EVENT_PARAM_VALUE && event.param == clap_id(index))
                value = normalized(index, event.value);
        return value;
    }
    void audioBlock(int index, double value) override { block(index, value, 256); }
    void play(const std::vector<float>& left, const std::vector<float>& right) override {
        claphost::EventList none;
        std::vector<float> l(512), r(512);
        for (size_t done = 0; done < left.size(); done += 512) {
            const size_t count = std::min<size_t>(512, left.size() - done);
            std::copy_n(left.begin() + long(done), count, l.begin());
            std::copy_n(right.begin() + long(done), count, r.begin());
            float* io[2] = {l.data(), r.data()};
            instance->Process(io, io, uint32_t(count), &none, &outbox);
        }
    }

    claphost::ClapHost host;
    std::string error;
    std::unique_ptr<claphost::ClapModule> module;
    std::unique_ptr<claphost::ClapInstance> instance;
    const clap_plugin* p = nullptr;
    bool created = false;
    claphost::OutputList outbox;

private:
    double normalized(int index, double plain) const {
        clap_param_info info{};
        instance->params->get_info(p, uint32_t(index), &info);
        return (plain - info.min_value) / (info.max_value - info.min_value);
    }
    // The editor's pending edits, through the flush the plug-in asked for.
    void collect() { instance->Flush(nullptr, &outbox); }
    void block(int index, double value, int frames) {
        clap_param_info info{};
        instance->params->get_info(p, uint32_t(index), &info);
        claphost::EventList events;
        events.AddParam(0, clap_id(index), info.min_value + value * (info.max_value - info.min_value));
        std::vector<float> left(static_cast<size_t>(frames)), right(static_cast<size_t>(frames));
        for (int f = 0; f < frames; ++f) {
            left[size_t(f)] = float(0.5 * std::sin(0.05 * (f + index)));
            right[size_t(f)] = float(0.25 * std::sin(0.07 * f));
        }
        float* io[2] = {left.data(), right.data()};
        instance->Process(io, io, uint32_t(frames), &events, &outbox);
    }
    // The host's main loop: the registered descriptors under poll(), the timers
    // when due. Until the deadline, or until `ticks` timer calls when that is not 0.
    void loop(std::chrono::steady_clock::time_point deadline, int ticks) {
        using clock = std::chrono::steady_clock;
        int done = 0;
        for (;;) {
            auto now = clock::now();
            const auto timers = host.Timers();
            if (ticks > 0 ? done >= ticks || timers.empty() : now >= deadline) return;
            for (auto it = due.begin(); it != due.end();) it = timers.count(it->first) ? std::next(it) : due.erase(it);
            for (const auto& [id, period] : timers)
                if (!due.count(id)) due[id] = now + std::chrono::milliseconds(period);
            auto next = ticks > 0 ? now + std::chrono::milliseconds(40) : deadline;
            for (const auto& [id, when] : due) next = std::min(next, when);
            std::vector<pollfd> watched;
            for (int fd : host.Descriptors()) watched.push_back(pollfd{fd, POLLIN, 0});
            const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(next - now).count();
            poll(watched.data(), watched.size(), int(std::max<long long>(0, wait)));
            for (const pollfd& fd : watched)
                if (fd.revents) instance->fds->on_fd(p, fd.fd, CLAP_POSIX_FD_READ);
            now = clock::now();
            for (auto& [id, when] : due) {
                if (when > now) continue;
                when = now + std::chrono::milliseconds(timers.at(id));
                instance->timers->on_timer(p, id);
                ++done;
            }
        }
    }
    std::map<clap_id, std::chrono::steady_clock::time_point> due;
};

enum class Format { Vst3, Vst2, Lv2, Clap };

std::unique_ptr<HostedEditor> MakeEditor(Format format, std::string& error) {
    if (format == Format::Clap) {
        auto editor = std::make_unique<ClapEditor>();
        error = editor->error;
        if (!editor->ready()) return nullptr;
        return editor;
    }
    if (format == Format::Vst3) {
        auto editor = std::make_unique<Vst3Editor>();
        error = editor->error;
        if (!editor->ready()) return nullptr;
        return editor;
    }
    if (format == Format::Lv2) {
        auto editor = std::make_unique<Lv2Editor>();
        error = editor->error;
        if (!editor->ready()) return nullptr;
        return editor;
    }
    auto editor = std::make_unique<Vst2Editor>();
    error = editor->error;
    if (!editor->ready()) return nullptr;
    return editor;
}

class LinuxGui : public ::testing::TestWithParam<Format> {
protected:
    void SetUp() override {
        std::string error;
        display = TestDisplay::open(error);
        ASSERT_TRUE(display) << error << " (run the tests through scripts/test.sh, which starts Xvfb)";
        window = display->createWindow(kLeft, kTop, kWidth, kHeight);
        editor = MakeEditor(GetParam(), error);
        ASSERT_TRUE(editor) << error;
    }
    void TearDown() override {
        editor.reset();
        if (display && window) display->destroyWindow(window);
    }
    bool openAndDraw() {
        if (!editor->open(window)) return false;
        editor->ticks(2);
        display->sync();
        return true;
    }
    Capture capture() {
        display->sync();
        return display->capture(window, kWidth, kHeight);
    }
    // Input in editor pixels; the host window sits at (kLeft, kTop) of the screen.
    void click(int x, int y, int button = 1) {
        display->click(kLeft + x, kTop + y, button);
        editor->run(60);
    }
    void drag(int x, int y, int dy) {
        display->moveTo(kLeft + x, kTop + y);
        display->press(1);
        editor->run(50);
        const int steps = 6;
        for (int i = 1; i <= steps; ++i) {
            display->moveTo(kLeft + x, kTop + y + dy * i / steps);
            editor->run(20);
        }
        display->release(1);
        editor->run(50);
    }
    // Keys go to the window under the pointer (no window manager gives focus).
    void type(const std::string& text) {
        display->type(text);
        editor->run(50);
    }
    void key(const char* name) {
        display->key(name);
        editor->run(50);
    }
    bool isVst3() const { return GetParam() == Format::Vst3; }
    claphost::ClapHost* clapHost() const {
        return GetParam() == Format::Clap ? &static_cast<ClapEditor*>(editor.get())->host : nullptr;
    }

    static constexpr int kLeft = 20, kTop = 30;
    // Longer than the editor's double-click interval (400 ms).
    static constexpr int kDoubleClickWindowMs = 450;
    std::unique_ptr<TestDisplay> display;
    unsigned long window = 0;
    std::unique_ptr<HostedEditor> editor;
};

TEST_P(LinuxGui, WindowShowsWhatTheSnapshotShowsAndChannelClicksSwitchPages) {
    const Capture stereo = Snapshot({});
    const Capture mid = Snapshot({"--param", "Channel Selector=mid"});
    ASSERT_EQ(stereo.width, kWidth) << "brindle-snapshot failed";
    ASSERT_GT(DifferingPixels(stereo, mid), 1000);  // other page, stereo-only controls greyed

    ASSERT_TRUE(openAndDraw());
    Capture shown = capture();
    EXPECT_EQ(DifferingPixels(shown, stereo), 0);
    const char* const names[] = {"/editor-vst3.png", "/editor-vst2.png", "/editor-lv2.png", "/editor-clap.png"};
    x11host::writePng(shown, std::string(GUI_OUTPUT_DIR) + names[int(GetParam())]);

    click(kMidButtonX, kChannelButtonY);
    editor->ticks(2);
    EXPECT_NEAR(editor->param(kChannelSelectorParam), 0.5, 1e-6);
    EXPECT_EQ(DifferingPixels(capture(), mid), 0);
    // A greyed control takes no clicks: the "Width" knob does not move under a drag.
    drag(kWidthKnobX, kWidthKnobY, -30);
    EXPECT_NEAR(editor->param(kWidthParam), 0.5, 1e-6);

    click(kStereoButtonX, kChannelButtonY);
    editor->ticks(2);
    EXPECT_NEAR(editor->param(kChannelSelectorParam), 0.0, 1e-6);
    EXPECT_EQ(DifferingPixels(capture(), stereo), 0);
}

TEST_P(LinuxGui, KnobDragSendsOneGestureAndTheParameterFollows) {
    ASSERT_TRUE(openAndDraw());
    editor->clearEdits();
    // 61 pixels up is one control height: a quarter of the range, 0.5 to 0.75.
    drag(kWidthKnobX, kWidthKnobY, -61);
    const std::vector<std::string> edits = editor->edits();
    ASSERT_GE(edits.size(), 3u);
    EXPECT_EQ(edits.front(), "begin 4");
    EXPECT_EQ(edits.back(), "end 4");
    for (size_t i = 1; i + 1 < edits.size(); ++i) EXPECT_EQ(edits[i], "perform 4");
    EXPECT_NEAR(editor->param(kWidthParam), 0.75, 1e-6);
    EXPECT_NEAR(editor->lastReported(kWidthParam), 0.75, 1e-6);
    editor->ticks(2);
    EXPECT_EQ(DifferingPixels(capture(), Snapshot({"--param", "Width=0.5"})), 0);
}

TEST_P(LinuxGui, TextEntryCommitsOnEnterCancelsOnEscapeAndTakesNumbersOnly) {
    ASSERT_TRUE(openAndDraw());
    const Capture before = capture();
    editor->clearEdits();
    click(kWidthTextX, kWidthTextY);
    editor->ticks(2);
    // The press that opened the entry is a whole gesture.
    EXPECT_EQ(editor->edits(), (std::vector<std::string>{"begin 4", "end 4"}));
    // The field covers the value line (48 + 1 by 13 + 1 pixels), white under dark text.
    const Capture field = capture();
    int white = 0, changed = 0;
    for (int y = 190; y < 204; ++y)
        for (int x = 360; x < 409; ++x) {
            white += field.at(x, y) == 0xFFFFFF;
            changed += field.at(x, y) != before.at(x, y);
        }
    EXPECT_GT(white, 300);
    EXPECT_GT(changed, 300);
    if (isVst3()) x11host::writePng(field, std::string(GUI_OUTPUT_DIR) + "/editor-text-entry.png");

    type("0.5");
    key("Return");
    editor->ticks(1);
    EXPECT_NEAR(editor->param(kWidthParam), 0.75, 1e-6);  // plain 0.5 of -1 to 1
    editor->ticks(2);
    EXPECT_EQ(DifferingPixels(capture(), Snapshot({"--param", "Width=0.5"})), 0);

    // XTest input takes no time: without this pause the next press on the same spot
    // pairs with the one that opened the entry as a double click, which resets Width.
    editor->run(kDoubleClickWindowMs);
    click(kWidthTextX, kWidthTextY);
    editor->ticks(2);
    type("-0.9");
    key("Escape");
    editor->ticks(3);
    EXPECT_NEAR(editor->param(kWidthParam), 0.75, 1e-6);
    EXPECT_EQ(DifferingPixels(capture(), Snapshot({"--param", "Width=0.5"})), 0);

    // Letters are swallowed; digits, signs and the full stop pass: "42.5" of 0 to 100.
    click(kDelayTextX, kDelayTextY);
    editor->ticks(2);
    type("x4a2.5q");
    key("Return");
    editor->ticks(1);
    EXPECT_NEAR(editor->param(kDelayAmountParam), 0.425, 1e-6);
}

TEST_P(LinuxGui, MousePressOnAFreshEntryCancelsItAndALaterOneCommits) {
    ASSERT_TRUE(openAndDraw());
    // Opened, typed into and pressed elsewhere before any tick (all handled in one
    // pass of the host's loop): cancelled.
    display->click(kLeft + kWidthTextX, kTop + kWidthTextY);
    display->type("0.2");
    display->click(kLeft + 30, kTop + 150);
    editor->run(0);
    editor->ticks(3);
    EXPECT_NEAR(editor->param(kWidthParam), 0.5, 1e-6);
    // Once a tick has passed, a press elsewhere commits.
    click(kWidthTextX, kWidthTextY);
    editor->ticks(2);
    type("0.2");
    click(30, 150);
    editor->ticks(2);
    EXPECT_NEAR(editor->param(kWidthParam), 0.6, 1e-6);
}

TEST_P(LinuxGui, WheelMovesTheKnobByWholeNotches) {
    ASSERT_TRUE(openAndDraw());
    display->moveTo(kLeft + kWidthKnobX, kTop + kWidthKnobY);
    // Button 5 is one notch down, button 4 one notch up; a notch is 0.01.
    display->click(kLeft + kWidthKnobX, kTop + kWidthKnobY, 5);
    display->click(kLeft + kWidthKnobX, kTop + kWidthKnobY, 5);
    editor->run(60);
    EXPECT_NEAR(editor->param(kWidthParam), 0.48, 1e-6);
    click(kWidthKnobX, kWidthKnobY, 4);
    EXPECT_NEAR(editor->param(kWidthParam), 0.49, 1e-6);
}

TEST_P(LinuxGui, AboutPageOpensAndCloses) {
    ASSERT_TRUE(openAndDraw());
    click(kAboutX, kAboutY);
    editor->ticks(2);
    EXPECT_EQ(DifferingPixels(capture(), Snapshot({"--click", "236,292"})), 0);
    // Once open, a click anywhere on it closes it.
    click(100, 100);
    editor->ticks(2);
    EXPECT_EQ(DifferingPixels(capture(), Snapshot({})), 0);
}

TEST_P(LinuxGui, OpensTwiceClosesAndReopens) {
    const Capture stereo = Snapshot({});
    ASSERT_TRUE(openAndDraw());
    ASSERT_EQ(display->children(window).size(), 1u);
    // Opening again replaces the window rather than adding one.
    ASSERT_TRUE(openAndDraw());
    EXPECT_EQ(display->children(window).size(), 1u);
    EXPECT_EQ(DifferingPixels(capture(), stereo), 0);
    if (isVst3()) {
        auto* frame = static_cast<Vst3Editor*>(editor.get())->frame;
        EXPECT_EQ(frame->handlerCount(), 1);
        EXPECT_EQ(frame->timerCount(), 1);
        EXPECT_EQ(frame->timerPeriod(), 40u);  // 25 frames per second
    }
    if (auto* host = clapHost()) {
        EXPECT_EQ(host->Descriptors().size(), 1u);
        ASSERT_EQ(host->Timers().size(), 1u);
        EXPECT_EQ(host->Timers().begin()->second, 40u);
    }
    editor->close();
    display->sync();
    EXPECT_TRUE(display->children(window).empty());
    if (isVst3()) {
        auto* frame = static_cast<Vst3Editor*>(editor.get())->frame;
        EXPECT_EQ(frame->handlerCount(), 0);
        EXPECT_EQ(frame->timerCount(), 0);
    }
    if (auto* host = clapHost()) {
        EXPECT_TRUE(host->Descriptors().empty());
        EXPECT_TRUE(host->Timers().empty());
        EXPECT_TRUE(host->WrongThreadCalls().empty());
    }
    ASSERT_TRUE(openAndDraw());
    EXPECT_EQ(display->children(window).size(), 1u);
    EXPECT_EQ(DifferingPixels(capture(), stereo), 0);
    click(kMidButtonX, kChannelButtonY);
    EXPECT_NEAR(editor->param(kChannelSelectorParam), 0.5, 1e-6);
}

TEST_P(LinuxGui, TwoInstancesAtOnceKeepToThemselves) {
    std::string error;
    auto other = MakeEditor(GetParam(), error);
    ASSERT_TRUE(other) << error;
    const unsigned long otherWindow = display->createWindow(kLeft, kTop + kHeight + 10, kWidth, kHeight);
    ASSERT_TRUE(openAndDraw());
    ASSERT_TRUE(other->open(otherWindow));
    other->ticks(2);
    drag(kWidthKnobX, kWidthKnobY, -61);
    other->run(100);
    EXPECT_NEAR(editor->param(kWidthParam), 0.75, 1e-6);
    EXPECT_NEAR(other->param(kWidthParam), 0.5, 1e-6);
    editor->ticks(2);
    other->ticks(2);
    display->sync();
    EXPECT_EQ(DifferingPixels(capture(), Snapshot({"--param", "Width=0.5"})), 0);
    EXPECT_EQ(DifferingPixels(display->capture(otherWindow, kWidth, kHeight), Snapshot({})), 0);
    other->close();
    other.reset();
    display->destroyWindow(otherWindow);
    // The first keeps working after the second is gone.
    click(kMidButtonX, kChannelButtonY);
    EXPECT_NEAR(editor->param(kChannelSelectorParam), 0.5, 1e-6);
}

TEST_P(LinuxGui, ClosingWithATextEntryOpenForgetsTheEntry) {
    ASSERT_TRUE(openAndDraw());
    click(kWidthTextX, kWidthTextY);
    editor->ticks(2);
    type("0.9");
    editor->close();
    editor->run(150);
    EXPECT_NEAR(editor->param(kWidthParam), 0.5, 1e-6);
    ASSERT_TRUE(openAndDraw());
    editor->ticks(2);
    EXPECT_NEAR(editor->param(kWidthParam), 0.5, 1e-6);
    EXPECT_EQ(DifferingPixels(capture(), Snapshot({})), 0);
    // Typing now reaches no entry.
    display->moveTo(kLeft + kWidthTextX, kTop + kWidthTextY);
    type("1");
    key("Return");
    editor->ticks(2);
    EXPECT_NEAR(editor->param(kWidthParam), 0.5, 1e-6);
}

TEST_P(LinuxGui, AutomationShowsWithinTwoRedraws) {
    ASSERT_TRUE(openAndDraw());
    const Capture side = Snapshot({"--param", "Width=side"});
    editor->automate(kWidthParam, 1.0);
    editor->ticks(2);
    EXPECT_EQ(DifferingPixels(capture(), side), 0);
    editor->automate(kChannelSelectorParam, 1.0);
    editor->ticks(2);
    EXPECT_EQ(DifferingPixels(capture(), Snapshot({"--param", "Width=side", "--param", "Channel Selector=side"})), 0);
}

TEST_P(LinuxGui, EventsAfterTheEditorClosedDoNothing) {
    ASSERT_TRUE(openAndDraw());
    const unsigned long editorWindow = display->children(window).at(0);
    IEventHandler* staleEvents = nullptr;
    ITimerHandler* staleTimer = nullptr;
    if (isVst3()) {
        // A host that still holds the handlers after the view let go of them.
        auto* frame = static_cast<Vst3Editor*>(editor.get())->frame;
        staleEvents = frame->eventHandler();
        staleTimer = frame->timerHandler();
        ASSERT_TRUE(staleEvents && staleTimer);
        staleEvents->addRef();
        staleTimer->addRef();
    }
    editor->close();
    display->sendButtonPress(editorWindow, 50, 50);
    click(kMidButtonX, kChannelButtonY);
    if (staleEvents) {
        staleEvents->onFDIsSet(0);
        staleTimer->onTimer();
        staleEvents->release();
        staleTimer->release();
    }
    editor->run(100);
    EXPECT_NEAR(editor->param(kChannelSelectorParam), 0.0, 1e-6);
    EXPECT_TRUE(display->children(window).empty());

    // The plug-in goes away with its editor open; the host window lives on.
    ASSERT_TRUE(openAndDraw());
    const unsigned long second = display->children(window).at(0);
    if (isVst3()) static_cast<Vst3Editor*>(editor.get())->attached = false;  // released without removed()
    editor.reset();
    display->sendButtonPress(second, 50, 50);
    display->click(kLeft + kMidButtonX, kTop + kChannelButtonY);
    EXPECT_TRUE(display->children(window).empty());
}

// A host that destroys its window before it closes the editor: the editor's
// requests meet a window that is gone, which must not end the host.
TEST_P(LinuxGui, HostWindowDestroyedUnderTheOpenEditor) {
    ASSERT_TRUE(openAndDraw());
    editor->automate(kWidthParam, 1.0);  // something to draw
    display->destroyWindow(window);
    window = 0;
    if (isVst3()) {
        // The timer before the descriptor: a redraw into the window that is gone,
        // before the editor has read that it is.
        static_cast<Vst3Editor*>(editor.get())->frame->timerHandler()->onTimer();
    }
    editor->ticks(2);
    editor->run(100);
    editor->close();
    window = display->createWindow(kLeft, kTop, kWidth, kHeight);
    ASSERT_TRUE(openAndDraw());
    EXPECT_EQ(DifferingPixels(capture(), Snapshot({"--param", "Width=side"})), 0);
}

// The host's audio thread processes and automates "Panning" while the user works
// the editor on the UI thread: run under ThreadSanitizer by scripts/tsan.sh.
TEST_P(LinuxGui, AudioThreadAutomatesWhileTheEditorIsDriven) {
    constexpr int kPanningParam = 5;
    ASSERT_TRUE(openAndDraw());
    std::atomic<bool> stop{false};
    std::atomic<int> blocks{0};
    std::thread audio([&] {
        for (int n = 0; !stop.load(); ++n) {
            editor->audioBlock(kPanningParam, (n % 100) / 100.0);
            ++blocks;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        editor->audioBlock(kPanningParam, 0.25);
    });
    for (int round = 0; round < 2; ++round) {
        drag(kWidthKnobX, kWidthKnobY, -20);
        click(kMidButtonX, kChannelButtonY);
        editor->ticks(2);
        click(kStereoButtonX, kChannelButtonY);
        click(kWidthTextX, kWidthTextY);
        editor->ticks(2);
        type("0.1");
        key("Return");
        editor->ticks(2);
        display->click(kLeft + kWidthKnobX, kTop + kWidthKnobY, 4);
        click(kAboutX, kAboutY);
        editor->ticks(2);
        click(100, 100);
        editor->ticks(2);
    }
    stop = true;
    audio.join();
    EXPECT_GT(blocks.load(), 20);
    // The last typed value, one wheel notch up: plain 0.1 is 0.55, plus 0.01.
    EXPECT_NEAR(editor->param(kWidthParam), 0.56, 1e-6);
    EXPECT_NEAR(editor->param(kPanningParam), 0.25, 1e-6);
    editor->ticks(2);
    // The mono lamp and the meters follow the audio, which the snapshot has none of.
    const IRect lamp(22, 54, 70, 102), meters(kEditorWidth - 250, 0, kEditorWidth, kEditorHeight);
    EXPECT_EQ(DifferingPixels(capture(), Snapshot({"--param", "Width=0.12", "--param", "Panning=-0.5"}),
                              {lamp, meters}),
              0);
}

// A second of a known stereo signal played while the editor is open: the meters show
// what brindle-snapshot shows after playing the same file.
TEST_P(LinuxGui, MetersShowWhatTheSnapshotShowsOfTheSameInput) {
    const size_t frames = 44100;
    std::vector<float> left(frames), right(frames);
    for (size_t i = 0; i < frames; ++i) {
        const double phase = 2.0 * 3.14159265358979323846 * 1000.0 * double(i) / 44100.0;
        left[i] = float(0.5 * std::sin(phase));
        right[i] = float(0.3 * std::sin(phase + 0.6) + (i > 30000 && i < 30010 ? 0.9 : 0.0));
    }
    const std::string wav = std::string(GUI_OUTPUT_DIR) + "/meters-input.wav";
    ASSERT_TRUE(WriteFloatWav(wav, left, right, 44100));
    ASSERT_TRUE(openAndDraw());
    editor->play(left, right);
    editor->ticks(3);
    const Capture shown = capture();
    const char* names[] = {"vst3", "vst2", "lv2", "clap"};
    x11host::writePng(shown, std::string(GUI_OUTPUT_DIR) + "/editor-meters-" + names[int(GetParam())] + ".png");
    const Capture expected = Snapshot({"--input", wav});
    const Capture silent = Snapshot({});
    ASSERT_GT(DifferingPixels(expected, silent), 1000);  // the meters moved
    EXPECT_EQ(DifferingPixels(shown, expected), 0);
    if (GetParam() != Format::Lv2) return;

    // A host that offers no instance access (it may run the editor in another process):
    // the editor works and its meters stay at rest while the DSP plays.
    auto* lv2 = static_cast<Lv2Editor*>(editor.get());
    lv2->offerInstanceAccess = false;
    ASSERT_TRUE(openAndDraw());
    lv2->play(left, right);
    editor->ticks(3);
    const IRect controls(0, 0, kEditorWidth - 250, kEditorHeight);
    const Capture unfed = capture();
    EXPECT_EQ(DifferingPixels(unfed, silent, {controls}), 0);
    EXPECT_GT(DifferingPixels(unfed, expected, {controls}), 1000);
}

INSTANTIATE_TEST_SUITE_P(Modules, LinuxGui, ::testing::Values(Format::Vst3, Format::Vst2, Format::Lv2, Format::Clap),
                         [](const ::testing::TestParamInfo<Format>& info) {
                             return std::string(info.param == Format::Vst3   ? "Vst3"
                                                : info.param == Format::Vst2 ? "Vst2"
                                                : info.param == Format::Lv2  ? "Lv2"
                                                                             : "Clap");
                         });

// Keys the editor does not use reach the host, in a parent arranged as some hosts
// arrange it: the editor sits in a plain window made on another X connection of the
// host, inside the host toolkit's window, which alone selects key presses. The host's
// toolkit knows only its own window: the forwarded key must name that window.
TEST_P(LinuxGui, UnusedKeysReachTheNearestHostWindowThatTakesKeys) {
    std::string error;
    auto otherConnection = TestDisplay::open(error);
    ASSERT_TRUE(otherConnection) << error;
    display->selectKeys(window);
    const unsigned long plain = otherConnection->createChildWindow(window, 0, 0, kWidth, kHeight);
    ASSERT_TRUE(editor->open(plain));
    editor->ticks(2);
    // A click on the background gives the editor the keyboard, as a host's focus would.
    click(30, 150);
    for (const char* name : {"space", "F5"}) {
        SCOPED_TRACE(name);
        display->key(name);
        editor->run(80);
        EXPECT_EQ(display->nextKeyPressWindow(500), window);
    }
    editor->close();
    otherConnection->destroyWindow(plain);
}

// What each module tells a host about its editor.
TEST(LinuxGuiModules, DeclareTheirX11Editor) {
    Vst3Editor vst3;
    ASSERT_TRUE(vst3.ready()) << vst3.error;
    EXPECT_EQ(vst3.view->isPlatformTypeSupported("X11EmbedWindowID"), kResultTrue);
    EXPECT_EQ(vst3.view->isPlatformTypeSupported("HWND"), kResultFalse);
    ViewRect size{};
    EXPECT_EQ(vst3.view->getSize(&size), kResultOk);
    EXPECT_EQ(size.right - size.left, kWidth);
    EXPECT_EQ(size.bottom - size.top, kHeight);

    Vst2Editor vst2;
    ASSERT_TRUE(vst2.ready()) << vst2.error;
    EXPECT_NE(vst2.host.Effect()->flags & effFlagsHasEditor, 0);
    ERect* rect = nullptr;
    EXPECT_EQ(vst2.host.Dispatch(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->right - rect->left, kWidth);
    EXPECT_EQ(rect->bottom - rect->top, kHeight);
}

// Opening fails cleanly where it cannot work: no such parent window, and (VST 3)
// a frame without a run loop, which would leave the editor without redraws.
TEST(LinuxGuiModules, RefuseWhatCannotWork) {
    std::string error;
    auto display = TestDisplay::open(error);
    ASSERT_TRUE(display) << error;
    const unsigned long window = display->createWindow(0, 0, kWidth, kHeight);
    const unsigned long gone = display->createWindow(0, 0, 10, 10);
    display->destroyWindow(gone);

    Vst3Editor vst3;
    ASSERT_TRUE(vst3.ready()) << vst3.error;
    EXPECT_EQ(vst3.view->attached(reinterpret_cast<void*>(gone), "X11EmbedWindowID"), kResultFalse);
    vst3.view->setFrame(nullptr);
    EXPECT_EQ(vst3.view->attached(reinterpret_cast<void*>(window), "X11EmbedWindowID"), kResultFalse);
    display->sync();
    EXPECT_TRUE(display->children(window).empty());
    vst3.view->setFrame(vst3.frame);
    EXPECT_EQ(vst3.view->attached(reinterpret_cast<void*>(window), "X11EmbedWindowID"), kResultOk);
    vst3.attached = true;

    Vst2Editor vst2;
    ASSERT_TRUE(vst2.ready()) << vst2.error;
    EXPECT_EQ(vst2.host.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(gone)), 0);
    EXPECT_EQ(vst2.host.Dispatch(effEditOpen, 0, 0, nullptr), 0);
    vst2.host.Dispatch(effEditIdle);  // nothing open: nothing happens

    ClapEditor clap;
    ASSERT_TRUE(clap.ready()) << clap.error;
    clap_window goneWindow{"x11", {nullptr}};
    goneWindow.x11 = gone;
    EXPECT_FALSE(clap.instance->gui->set_parent(clap.p, &goneWindow));
    EXPECT_TRUE(clap.host.Timers().empty());
    EXPECT_TRUE(clap.host.Descriptors().empty());
    display->destroyWindow(window);
}

// The LV2 editor asks the host's ui:resize for its size, hands the host its window as
// the widget, and refuses to open without a parent window or in one that is gone.
TEST(LinuxGuiModules, Lv2EditorSizeWidgetAndRefusals) {
    std::string error;
    auto display = TestDisplay::open(error);
    ASSERT_TRUE(display) << error;
    const unsigned long window = display->createWindow(0, 0, kWidth, kHeight);
    const unsigned long gone = display->createWindow(0, 0, 10, 10);
    display->destroyWindow(gone);

    Lv2Editor lv2;
    ASSERT_TRUE(lv2.ready()) << lv2.error;
    ASSERT_TRUE(lv2.open(window));
    EXPECT_EQ(lv2.resizedWidth, kWidth);
    EXPECT_EQ(lv2.resizedHeight, kHeight);
    display->sync();
    EXPECT_EQ(display->children(window), std::vector<unsigned long>{lv2.widget});
    lv2.close();
    EXPECT_FALSE(lv2.open(gone));
    const LV2_Feature* noParent[] = {nullptr};
    LV2UI_Widget widget = nullptr;
    EXPECT_EQ(lv2.ui->instantiate(lv2.ui, "urn:orvane:brindle", BRINDLE_LV2_BUNDLE "/", nullptr, nullptr, &widget,
                                  noParent),
              nullptr);
    // Another plug-in's URI is not ours to show.
    LV2_Feature parent{LV2_UI__parent, reinterpret_cast<void*>(window)};
    const LV2_Feature* withParent[] = {&parent, nullptr};
    EXPECT_EQ(lv2.ui->instantiate(lv2.ui, "urn:other", BRINDLE_LV2_BUNDLE "/", nullptr, nullptr, &widget, withParent),
              nullptr);
    display->sync();
    EXPECT_TRUE(display->children(window).empty());
    display->destroyWindow(window);
}

// The editor-drawn popup menu, on an editor of its own (Brindle's controls prompt
// with text entries only). The menu runs its own loop like a native one, so a
// second thread plays the user: it waits for the menu to show, then acts.
TEST(LinuxGuiMenu, ShowsNumberedItemsAndReportsTheChoice) {
    std::string error;
    auto display = TestDisplay::open(error);
    ASSERT_TRUE(display) << error;
    const int left = 40, top = 40, width = 240, height = 200;
    const unsigned long window = display->createWindow(left, top, width, height);
    IGraphicsLinux editor(nullptr, width, height, 25);
    editor.AddBackgroundPanel(IColor(255, 0, 0, 0));
    editor.CreateDrawSurfaces();
    ASSERT_NE(editor.OpenWindow(reinterpret_cast<void*>(window)), nullptr);
    editor.TimerTick();
    display->sync();
    const Capture black = display->capture(window, width, height);

    // Anchored below (20, 10)-(120, 30): items of 18 pixels from y = 32.
    const IRect anchor(20, 10, 120, 30);
    const int itemX = 60;
    auto itemY = [](int index) { return 32 + index * 18 + 9; };
    struct Case {
        const char* name;
        std::vector<std::string> actions;  // "click N" on item N, or a key name
        int chosenItem;                    // -1: nothing chosen
        bool fromSubmenu;
    };
    const Case cases[] = {
        {"click on an item", {"click 1"}, 1, false},
        {"escape", {"Escape"}, -1, false},
        {"greyed item takes no click, escape", {"click 2", "Escape"}, -1, false},
        {"keys down three times skip the greyed item", {"Down", "Down", "Down", "Return"}, 3, false},
        {"click outside", {"outside"}, -1, false},
        {"submenu, then its second item", {"click 3", "click 1"}, 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        IMenu menu;
        menu.prefix = 2;
        menu.AddItem("stereo", IMenuItem::Checked);
        menu.AddItem("mid");
        menu.AddItem("side", IMenuItem::Greyed);
        menu.AddItem("more");
        if (c.fromSubmenu) {
            menu.items[3]->submenu = std::make_unique<IMenu>();
            menu.items[3]->submenu->AddItem("first");
            menu.items[3]->submenu->AddItem("second");
        }
        Capture shown;
        std::thread hand([&] {
            std::string handError;
            auto user = TestDisplay::open(handError);
            if (!user) return;
            for (int attempt = 0; attempt < 100; ++attempt) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                shown = user->capture(window, width, height);
                if (shown.width && shown.at(itemX, itemY(0)) != black.at(itemX, itemY(0))) break;
            }
            for (const std::string& action : c.actions) {
                if (action.rfind("click ", 0) == 0)
                    user->click(left + itemX, top + itemY(std::stoi(action.substr(6))));
                else if (action == "outside")
                    user->click(left + 200, top + 180);
                else
                    user->key(action.c_str());
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        });
        IMenu* chosen = editor.ShowPopupMenu(menu, anchor);
        hand.join();
        // The panel showed over the black editor: light face, dark text, the numbers.
        int light = 0, dark = 0;
        for (int y = 32; y < 32 + 4 * 18; ++y)
            for (int x = 22; x < 100; ++x) {
                light += (shown.at(x, y) & 0xFF) > 0xE0;
                dark += (shown.at(x, y) & 0xFF) < 0x40;
            }
        EXPECT_GT(light, 2000);
        EXPECT_GT(dark, 100);
        if (c.chosenItem < 0) {
            EXPECT_EQ(chosen, nullptr);
        } else {
            ASSERT_NE(chosen, nullptr);
            EXPECT_EQ(chosen, c.fromSubmenu ? menu.items[3]->submenu.get() : &menu);
            EXPECT_EQ(chosen->chosenItemIndex, c.chosenItem);
        }
        if (std::string(c.name) == "click on an item")
            x11host::writePng(shown, std::string(GUI_OUTPUT_DIR) + "/menu.png");
        // Closed, the menu leaves the editor as it was.
        display->sync();
        EXPECT_EQ(DifferingPixels(display->capture(window, width, height), black), 0);
    }
    IMenu numbered;
    numbered.AddItem("a");
    numbered.AddItem("b");
    const char* const labels[] = {"b", "2: b", "02: b", "002: b"};
    for (int prefix = 0; prefix <= 3; ++prefix) {
        numbered.prefix = prefix;
        EXPECT_EQ(IMenuPanel::LabelOf(numbered, 1), labels[prefix]);
    }
    editor.CloseWindow();
    display->destroyWindow(window);
}

}  // namespace
