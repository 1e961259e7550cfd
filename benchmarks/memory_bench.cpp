// Resident memory per plug-in instance, as a large session sees it: N instances of one
// module (or of the plug-in built into this program) in one process, each activated at
// the rate and run for a few blocks, optionally with its editor open. Each measurement
// runs in a child process of its own so that nothing freed by one is reused by the next.
// The figure is the growth of the resident set from one instance (module code and
// shared editor images already in) to 1 + N instances, divided by N.
//
// Beside them, two other makers' stereo tools through LV2 (when installed).
//
// Editors: the modules' editors open in windows of the X display named by DISPLAY
// (benchmarks/run_memory.sh starts a virtual one) and are redrawn by their timer or
// effEditIdle; the built-in plug-in's editor draws window-less into memory.
//
// usage: brindle_memory [instances] [rate...]
#include <sys/wait.h>
#include <unistd.h>

#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/urid/urid.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "HostObjects.h"
#include "IEffectOffline.h"
#include "InProcessHost.h"
#include "PluginInstance.h"
#include "ProcessBuffers.h"
#include "Vst2Host.h"
#include "Vst3Module.h"
#include "X11Host.h"
#include "graphics/IGraphics.h"

using namespace vst3;
using namespace vst3host;

namespace {

constexpr int kBlock = 512;
// Enough blocks to pass every delay line and the mono detector's window at 192 kHz.
constexpr int kWarmBlocks = 120;

long ResidentBytes()
{
    long pages = 0;
    long resident = 0;
    FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr) {
        return -1;
    }
    const int read = std::fscanf(statm, "%ld %ld", &pages, &resident);
    std::fclose(statm);
    return read == 2 ? resident * sysconf(_SC_PAGESIZE) : -1;
}

// A noise-like signal, the same for every instance.
void FillInput(std::vector<std::vector<double>>& channels, int block)
{
    for (size_t c = 0; c < channels.size(); ++c) {
        for (size_t f = 0; f < channels[c].size(); ++f) {
            channels[c][f] = 0.4 * std::sin(0.013 * double(f + size_t(block) * channels[c].size()) * double(c + 1));
        }
    }
}

// One activated instance with or without its editor open.
class Instance {
public:
    virtual ~Instance() = default;
    virtual bool Run(int block) = 0;
    // The editor's host loop for a moment: it draws at least once.
    virtual void Idle() {}
};

class Vst2Instance : public Instance {
public:
    Vst2Instance(const vst2host::Vst2Module& module, double rate, x11host::TestDisplay* display, std::string& error)
    {
        if (!host.Create(module, &error)) {
            return;
        }
        created = true;
        host.Start(float(rate), kBlock);
        if (display != nullptr) {
            window = display->createWindow(0, 0, 640, 480);
            editor = host.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(window)) == 1;
            if (!editor) {
                error = "effEditOpen failed";
            }
        }
        this->display = display;
    }
    ~Vst2Instance() override
    {
        if (editor) {
            host.Dispatch(effEditClose);
        }
        if (created) {
            host.Close();
        }
        if (window != 0) {
            display->destroyWindow(window);
        }
    }
    bool Usable() const { return created && (display == nullptr || editor); }
    bool Run(int block) override
    {
        FillInput(in, block);
        return host.ProcessDouble(in, out, kBlock);
    }
    void Idle() override
    {
        if (editor) {
            host.Dispatch(effEditIdle);
        }
    }

private:
    vst2host::Vst2Host host;
    x11host::TestDisplay* display = nullptr;
    unsigned long window = 0;
    bool created = false;
    bool editor = false;
    std::vector<std::vector<double>> in{2, std::vector<double>(kBlock)};
    std::vector<std::vector<double>> out{2, std::vector<double>(kBlock)};
};

class Vst3Instance : public Instance {
public:
    Vst3Instance(Vst3Module& module, double rate, x11host::TestDisplay* display, std::string& error)
        : display(display)
    {
        instance = PluginInstance::create(module.factory(), 0, host, error);
        if (!instance) {
            return;
        }
        ProcessSetup setup{kRealtime, kSample64, kBlock, rate};
        instance->processor()->setupProcessing(setup);
        instance->component()->setActive(1);
        instance->processor()->setProcessing(1);
        if (display != nullptr) {
            window = display->createWindow(0, 0, 640, 480);
            view = instance->controller()->createView("editor");
            if (view != nullptr) {
                view->setFrame(frame);
                attached = view->attached(reinterpret_cast<void*>(window), "X11EmbedWindowID") == kResultOk;
            }
            if (!attached) {
                error = "the editor view could not be attached";
            }
        }
    }
    ~Vst3Instance() override
    {
        if (view != nullptr) {
            if (attached) {
                view->removed();
            }
            view->release();
        }
        if (instance) {
            instance->processor()->setProcessing(0);
            instance->component()->setActive(0);
        }
        instance.reset();
        if (window != 0) {
            display->destroyWindow(window);
        }
        frame->release();
        host->release();
    }
    bool Usable() const { return instance && (display == nullptr || attached); }
    bool Run(int block) override
    {
        for (int c = 0; c < 2; ++c) {
            for (int f = 0; f < kBlock; ++f) {
                buffers.setInput(c, f, 0.4 * std::sin(0.013 * double(f + block * kBlock) * double(c + 1)));
            }
        }
        return instance->processor()->process(buffers.prepare(kBlock)) == kResultOk;
    }
    void Idle() override
    {
        if (attached) {
            frame->runTicks(1);
        }
    }

private:
    x11host::TestDisplay* display;
    HostApplication* host = new HostApplication("brindle memory benchmark");
    x11host::RunLoopFrame* frame = new x11host::RunLoopFrame;
    std::unique_ptr<PluginInstance> instance;
    IPlugView* view = nullptr;
    unsigned long window = 0;
    bool attached = false;
    ProcessBuffers buffers{kSample64, 2, 2, kBlock};
};

class OwnInstance : public Instance {
public:
    OwnInstance(double rate, bool withEditor) : plugin(CreateOfflinePlugin()), editor(withEditor)
    {
        usable = plugin && plugin->SetupOffline(rate, kBlock);
    }
    bool Usable() const { return usable; }
    bool Run(int block) override
    {
        FillInput(in, block);
        double* ins[2] = {in[0].data(), in[1].data()};
        double* outs[2] = {out[0].data(), out[1].data()};
        plugin->ProcessOffline(ins, outs, kBlock);
        return true;
    }
    void Idle() override
    {
        if (editor && plugin->Editor() != nullptr) {
            IGraphics* graphics = plugin->Editor();
            graphics->Draw(IRect(0, 0, graphics->Width(), graphics->Height()));
        }
    }

private:
    std::unique_ptr<IEffectOffline> plugin;
    bool editor;
    bool usable = false;
    std::vector<std::vector<double>> in{2, std::vector<double>(kBlock)};
    std::vector<std::vector<double>> out{2, std::vector<double>(kBlock)};
};

// Other makers' stereo tools through LV2, measured the same way: one world (the
// plug-in descriptions, shared by every instance as in a host), N instances, each
// activated and run with its controls at their defaults. No editors: LV2 user
// interfaces are separate programs or libraries.
class Lv2World {
public:
    Lv2World() : world(lilv_world_new()) { lilv_world_load_all(world); }
    ~Lv2World() { lilv_world_free(world); }
    Lv2World(const Lv2World&) = delete;
    Lv2World& operator=(const Lv2World&) = delete;

    LilvWorld* world;
    std::map<std::string, LV2_URID> uris;
    LV2_URID_Map map{this, &Lv2World::Map};
    LV2_Feature mapFeature{LV2_URID__map, &map};
    const LV2_Feature* features[2] = {&mapFeature, nullptr};

    static LV2_URID Map(LV2_URID_Map_Handle handle, const char* uri)
    {
        auto& uris = static_cast<Lv2World*>(handle)->uris;
        return uris.emplace(uri, LV2_URID(uris.size() + 1)).first->second;
    }
};

class Lv2Instance : public Instance {
public:
    Lv2Instance(Lv2World& lv2, const char* uri, double rate, std::string& error)
    {
        LilvNode* uriNode = lilv_new_uri(lv2.world, uri);
        const LilvPlugin* plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(lv2.world), uriNode);
        lilv_node_free(uriNode);
        instance = plugin != nullptr ? lilv_plugin_instantiate(plugin, rate, lv2.features) : nullptr;
        if (instance == nullptr) {
            error = std::string(uri) + " is not installed or could not be instantiated";
            return;
        }
        LilvNode* audioClass = lilv_new_uri(lv2.world, LV2_CORE__AudioPort);
        LilvNode* controlClass = lilv_new_uri(lv2.world, LV2_CORE__ControlPort);
        LilvNode* atomClass = lilv_new_uri(lv2.world, LV2_ATOM__AtomPort);
        LilvNode* inputClass = lilv_new_uri(lv2.world, LV2_CORE__InputPort);
        const uint32_t ports = lilv_plugin_get_num_ports(plugin);
        controls.assign(ports, 0.0f);
        lilv_plugin_get_port_ranges_float(plugin, nullptr, nullptr, controls.data());
        atoms.reserve(ports);
        int inputs = 0;
        int outputs = 0;
        for (uint32_t i = 0; i < ports; ++i) {
            const LilvPort* port = lilv_plugin_get_port_by_index(plugin, i);
            const bool input = lilv_port_is_a(plugin, port, inputClass);
            void* buffer = nullptr;
            if (lilv_port_is_a(plugin, port, audioClass)) {
                int& count = input ? inputs : outputs;
                const size_t channel = count++ > 0 ? 1 : 0;
                buffer = input ? in[channel].data() : out[channel].data();
            } else if (lilv_port_is_a(plugin, port, controlClass)) {
                controls[i] = controls[i] == controls[i] ? controls[i] : 0.0f;
                buffer = &controls[i];
            } else if (lilv_port_is_a(plugin, port, atomClass)) {
                atoms.emplace_back(8192, 0);
                auto* sequence = reinterpret_cast<LV2_Atom_Sequence*>(atoms.back().data());
                sequence->atom.type = Lv2World::Map(&lv2, input ? LV2_ATOM__Sequence : LV2_ATOM__Chunk);
                sequence->atom.size = input ? uint32_t(sizeof(LV2_Atom_Sequence_Body)) : uint32_t(8192 - sizeof(LV2_Atom));
                buffer = sequence;
            }
            lilv_instance_connect_port(instance, i, buffer);
        }
        for (LilvNode* node : {audioClass, controlClass, atomClass, inputClass}) {
            lilv_node_free(node);
        }
        lilv_instance_activate(instance);
    }
    ~Lv2Instance() override
    {
        if (instance != nullptr) {
            lilv_instance_deactivate(instance);
            lilv_instance_free(instance);
        }
    }
    bool Usable() const { return instance != nullptr; }
    bool Run(int block) override
    {
        for (int c = 0; c < 2; ++c) {
            for (int f = 0; f < kBlock; ++f) {
                in[c][size_t(f)] = float(0.4 * std::sin(0.013 * double(f + block * kBlock) * double(c + 1)));
            }
        }
        lilv_instance_run(instance, kBlock);
        return true;
    }

private:
    LilvInstance* instance = nullptr;
    std::vector<float> controls;
    std::vector<std::vector<unsigned char>> atoms;
    std::vector<float> in[2] = {std::vector<float>(kBlock), std::vector<float>(kBlock)};
    std::vector<float> out[2] = {std::vector<float>(kBlock), std::vector<float>(kBlock)};
};

enum class Subject { InProcess, Vst2, Vst3, CalfStereoTools, LspCompDelay };

const char* SubjectName(Subject subject)
{
    switch (subject) {
    case Subject::InProcess: return "in-process";
    case Subject::Vst2: return "brindle2";
    case Subject::Vst3: return "brindle3";
    case Subject::CalfStereoTools: return "calf_stereo_tools";
    case Subject::LspCompDelay: return "lsp_comp_delay_stereo";
    }
    return "";
}

const char* PeerUri(Subject subject)
{
    return subject == Subject::CalfStereoTools ? "http://calf.sourceforge.net/plugins/StereoTools"
                                               : "http://lsp-plug.in/plugins/lv2/comp_delay_stereo";
}

// Runs in the child: prints one line and returns the exit status.
int Measure(Subject subject, double rate, bool withEditor, int count)
{
    std::string error;
    std::unique_ptr<x11host::TestDisplay> display;
    if (withEditor && subject != Subject::InProcess) {
        display = x11host::TestDisplay::open(error);
        if (!display) {
            std::printf("%-21s %6.0f  editor  (no X display: %s)\n", SubjectName(subject), rate, error.c_str());
            return 0;
        }
    }
    vst2host::Vst2Module vst2;
    std::unique_ptr<Vst3Module> vst3;
    std::unique_ptr<Lv2World> lv2;
    if (subject == Subject::CalfStereoTools || subject == Subject::LspCompDelay) {
        lv2 = std::make_unique<Lv2World>();
    }
    if (subject == Subject::Vst2 && !vst2.Load(BRINDLE2_MODULE_PATH, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    if (subject == Subject::Vst3 && !(vst3 = Vst3Module::load(BRINDLE3_BUNDLE_PATH, error))) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    auto make = [&]() -> std::unique_ptr<Instance> {
        switch (subject) {
        case Subject::InProcess: {
            auto own = std::make_unique<OwnInstance>(rate, withEditor);
            return own->Usable() ? std::move(own) : nullptr;
        }
        case Subject::Vst2: {
            auto module = std::make_unique<Vst2Instance>(vst2, rate, display.get(), error);
            return module->Usable() ? std::move(module) : nullptr;
        }
        case Subject::Vst3: {
            auto module = std::make_unique<Vst3Instance>(*vst3, rate, display.get(), error);
            return module->Usable() ? std::move(module) : nullptr;
        }
        case Subject::CalfStereoTools:
        case Subject::LspCompDelay: {
            auto peer = std::make_unique<Lv2Instance>(*lv2, PeerUri(subject), rate, error);
            return peer->Usable() ? std::move(peer) : nullptr;
        }
        }
        return nullptr;
    };
    std::vector<std::unique_ptr<Instance>> instances;
    auto add = [&]() {
        std::unique_ptr<Instance> instance = make();
        if (!instance) {
            return false;
        }
        for (int block = 0; block < kWarmBlocks; ++block) {
            if (!instance->Run(block)) {
                error = "a block was refused";
                return false;
            }
        }
        instance->Idle();
        instances.push_back(std::move(instance));
        return true;
    };
    if (!add()) {
        std::fprintf(stderr, "%s: %s\n", SubjectName(subject), error.c_str());
        return 1;
    }
    const long before = ResidentBytes();
    for (int i = 0; i < count; ++i) {
        if (!add()) {
            std::fprintf(stderr, "%s: %s\n", SubjectName(subject), error.c_str());
            return 1;
        }
    }
    const long after = ResidentBytes();
    std::printf("%-21s %6.0f  %-6s  %8.3f MB per instance  (%d instances, resident %.1f -> %.1f MB)\n",
                SubjectName(subject), rate, withEditor ? "editor" : "none", double(after - before) / count / 1e6,
                count, double(before) / 1e6, double(after) / 1e6);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 20;
    std::vector<double> rates;
    for (int i = 2; i < argc; ++i) {
        rates.push_back(std::atof(argv[i]));
    }
    if (rates.empty()) {
        rates = {48000.0, 192000.0};
    }
    if (count < 1) {
        std::fprintf(stderr, "usage: brindle_memory [instances] [rate...]\n");
        return 2;
    }
    std::printf("%-21s %6s  %-6s  %s\n", "subject", "rate", "editor", "resident memory");
    std::fflush(stdout);
    int failures = 0;
    for (Subject subject :
         {Subject::InProcess, Subject::Vst2, Subject::Vst3, Subject::CalfStereoTools, Subject::LspCompDelay}) {
        const bool peer = subject == Subject::CalfStereoTools || subject == Subject::LspCompDelay;
        for (double rate : rates) {
            for (bool withEditor : {false, true}) {
                if (peer && withEditor) {
                    continue;
                }
                const pid_t child = fork();
                if (child == 0) {
                    const int status = Measure(subject, rate, withEditor, count);
                    std::fflush(stdout);
                    _exit(status);
                }
                int status = 1;
                if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
                    WEXITSTATUS(status) != 0) {
                    ++failures;
                }
            }
        }
    }
    return failures == 0 ? 0 : 1;
}
