// Brindle's editor in a Windows host: brindle2.dll and the brindle3.vst3 bundle are
// loaded from disk, each editor opens in a top-level window of ours, its timer
// paints, and everything is driven by posted window messages. What the screen
// shows is compared with the window-less drawing of the same settings.
#include "ClapHost.h"
#include "GuiHost.h"

#include "HostObjects.h"
#include "InProcessHost.h"
#include "PluginInstance.h"
#include "ProcessBuffers.h"
#include "SnapshotPng.h"
#include "Vst2Host.h"
#include "Vst2Module.h"
#include "Vst3Module.h"

#include "IEffectOffline.h"
#include "graphics/IGraphicsHeadless.h"
#include "plugin/BrindleEditor.h"
#include "PixBitmap.h"
#include "PixSysBitmap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

using namespace guihost;

namespace {

// Parameter indices; the VST 3 ids are the same numbers.
constexpr int kOutputGain = 0;
constexpr int kWidth = 4;
constexpr int kPanning = 5;
constexpr int kChannelSelector = 6;
constexpr int kBypass = 11;

// Points on Brindle's editor (window pixels).
constexpr POINT kWidthKnob{384, 166};
constexpr POINT kWidthValueText{384, 196};
constexpr POINT kMidButton{134, 78};
constexpr POINT kSideButton{166, 78};
constexpr POINT kStereoButton{102, 78};
constexpr POINT kAboutTarget{210, 290};

// The knobs' value texts (48 wide, 13 high under each 48-pixel knob), widened by
// 8 pixels a side because the text is drawn without clipping.
const RECT kTextZones[] = {
  {102 - 8, 278, 150 + 8, 291}, {62 - 8, 190, 110 + 8, 203},  {142 - 8, 190, 190 + 8, 203},
  {320 - 8, 278, 368 + 8, 291}, {280 - 8, 190, 328 + 8, 203}, {360 - 8, 190, 408 + 8, 203},
  // The meter panel's texts: "no signal" in the correlation bar and the scope's gain.
  {490, 68, 700, 80}, {490 - 8, 235, 619 + 8, 247},
};
// Largest difference of one colour channel allowed inside a text zone. The two
// pictures come from different modules (the DLL and this program), each with its
// own font objects made by the window system's font engine; its antialiasing is
// not promised to be bit-identical between font objects, whereas bitmaps are
// copied by our own blitter and must match exactly.
constexpr int kTextTolerance = 48;

struct Setting {
  int index;
  double normalized;
};

// One edit the plug-in reported to its host.
struct Edit {
  char kind;  // 'B' begin, 'P' value, 'E' end
  int index;
  double value;
};

bool InTextZone(int x, int y)
{
  for (const RECT& zone : kTextZones)
    if (x >= zone.left && x < zone.right && y >= zone.top && y < zone.bottom) return true;
  return false;
}

int ChannelDifference(uint32_t a, uint32_t b)
{
  int largest = 0;
  for (int shift = 0; shift <= 16; shift += 8)
    largest = std::max(largest, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
  return largest;
}

struct Comparison {
  bool sameSize = false;
  int differentOutsideText = 0;   // pixels
  int largestInsideText = 0;      // channel difference
  int differentInsideText = 0;    // pixels
};

Comparison Compare(const Capture& screen, const Capture& drawn)
{
  Comparison result;
  result.sameSize = screen.width == drawn.width && screen.height == drawn.height && screen.width > 0;
  if (!result.sameSize) return result;
  for (int y = 0; y < screen.height; ++y) {
    for (int x = 0; x < screen.width; ++x) {
      const int difference = ChannelDifference(screen.At(x, y), drawn.At(x, y));
      if (difference == 0) continue;
      if (InTextZone(x, y)) {
        ++result.differentInsideText;
        result.largestInsideText = std::max(result.largestInsideText, difference);
      } else {
        ++result.differentOutsideText;
      }
    }
  }
  return result;
}

::testing::AssertionResult LooksLike(const Capture& screen, const Capture& drawn)
{
  const Comparison c = Compare(screen, drawn);
  if (!c.sameSize)
    return ::testing::AssertionFailure() << "sizes differ: " << screen.width << "x" << screen.height << " against "
                                         << drawn.width << "x" << drawn.height;
  if (c.differentOutsideText > 0 || c.largestInsideText > kTextTolerance)
    return ::testing::AssertionFailure() << c.differentOutsideText << " pixels differ outside text; inside text "
                                         << c.differentInsideText << " differ, by up to " << c.largestInsideText;
  return ::testing::AssertionSuccess() << "inside text " << c.differentInsideText << " pixels differ, by up to "
                                       << c.largestInsideText;
}

// The whole surface of a window-less editor, redrawn.
Capture SurfaceCapture(IGraphicsHeadless& editor);

// The editor drawn without a window by the plug-in built into this program, with
// the same settings and clicks.
Capture WindowlessDrawing(const std::vector<Setting>& settings, const std::vector<POINT>& clicks = {})
{
  Capture capture;
  std::unique_ptr<IEffectOffline> plugin = CreateOfflinePlugin();
  if (!plugin) return capture;
  for (const Setting& setting : settings) plugin->SetParamFromHost(setting.index, setting.normalized);
  auto* editor = dynamic_cast<IGraphicsHeadless*>(plugin->Editor());
  if (!editor || !editor->Surface()) return capture;
  editor->OpenWindow(nullptr);
  editor->Tick();
  IMouseMods left;
  left.L = true;
  for (const POINT& click : clicks) {
    editor->MouseDown(click.x, click.y, left);
    editor->MouseUp(click.x, click.y, IMouseMods());
    editor->Tick();
  }
  return SurfaceCapture(*editor);
}

// The same for an editor that was open while the two channels played at 44.1 kHz.
Capture WindowlessDrawingPlaying(const std::vector<float>& left, const std::vector<float>& right)
{
  IEffectOffline* plugin = nullptr;
  InProcessHost host([&plugin] {
    std::unique_ptr<IEffectOffline> made = CreateOfflinePlugin();
    plugin = made.get();
    return made;
  });
  if (!host.Create() || !host.Configure(44100.0, 512, RenderPrecision::Double)) return Capture();
  auto* editor = dynamic_cast<IGraphicsHeadless*>(plugin->Editor());
  if (!editor || !editor->Surface()) return Capture();
  editor->OpenWindow(nullptr);
  plugin->OnEditorOpened();
  std::vector<double> inL(512), inR(512), outL(512), outR(512);
  for (size_t done = 0; done < left.size(); done += 512) {
    const int count = int(std::min<size_t>(512, left.size() - done));
    for (int i = 0; i < count; ++i) {
      inL[size_t(i)] = left[done + size_t(i)];
      inR[size_t(i)] = right[done + size_t(i)];
    }
    double* in[2] = {inL.data(), inR.data()};
    double* out[2] = {outL.data(), outR.data()};
    host.ProcessDouble(in, out, count);
  }
  editor->Tick();
  return SurfaceCapture(*editor);
}

Capture SurfaceCapture(IGraphicsHeadless& editor)
{
  Capture capture;
  editor.Draw(IRect(0, 0, editor.Width(), editor.Height()));
  PIX_SysBitmap& surface = *editor.Surface();
  capture.width = surface.Width();
  capture.height = surface.Height();
  for (int y = 0; y < capture.height; ++y)
    for (int x = 0; x < capture.width; ++x)
      capture.pixels.push_back(surface.Pixels()[size_t(y) * size_t(surface.RowStride()) + size_t(x)] & 0xFFFFFFu);
  return capture;
}

bool SavePng(const Capture& capture, const std::string& path)
{
  PIX_MemBitmap bitmap(capture.width, capture.height);
  if (!bitmap.Pixels()) return false;
  for (int y = 0; y < capture.height; ++y)
    for (int x = 0; x < capture.width; ++x)
      bitmap.Pixels()[size_t(y) * size_t(bitmap.RowStride()) + size_t(x)] = capture.At(x, y) | 0xFF000000u;
  return WriteSurfacePng(bitmap, path);
}

HMODULE ModuleOf(const void* address)
{
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     static_cast<LPCSTR>(address), &module);
  return module;
}

bool ClassRegistered(HMODULE module)
{
  WNDCLASSA info;
  return GetClassInfoA(module, kEditorClass, &info) != 0;
}

// ---- One plug-in instance with its editor, as each format's host sees it ----

class EditorSession {
public:
  virtual ~EditorSession() = default;
  // Opens the editor in `parent`; false when the plug-in reports failure.
  virtual bool Open(HWND parent) = 0;
  virtual void Close() = 0;
  virtual double Param(int index) = 0;
  // A change from the host's automation.
  virtual void Automate(int index, double normalized) = 0;
  // Plays the two channels through the plug-in in blocks of 512 frames.
  virtual void Play(const std::vector<float>& left, const std::vector<float>& right) = 0;
  virtual std::vector<Edit> Edits() = 0;
  virtual void ClearEdits() = 0;
  virtual HMODULE Module() const = 0;
};

class Vst2Session : public EditorSession {
public:
  Vst2Session()
  {
    std::string error;
    if (!module.Load(BRINDLE2_MODULE_PATH, &error) || !host.Create(module, &error)) {
      ADD_FAILURE() << error;
      return;
    }
    host.Start(44100.0f, 512);
  }
  ~Vst2Session() override
  {
    Close();
    host.Close();
  }

  bool Open(HWND parent) override { return host.Dispatch(effEditOpen, 0, 0, parent) == 1; }
  void Close() override { host.Dispatch(effEditClose); }
  double Param(int index) override { return host.GetParameter(index); }
  void Automate(int index, double normalized) override { host.SetParameter(index, float(normalized)); }
  void Play(const std::vector<float>& left, const std::vector<float>& right) override
  {
    host.PlayReplacing(left, right, 512);
  }
  std::vector<Edit> Edits() override
  {
    std::vector<Edit> edits;
    for (const vst2host::HostCall& call : host.Calls()) {
      if (call.opcode == audioMasterBeginEdit) edits.push_back({'B', call.index, 0.0});
      if (call.opcode == audioMasterAutomate) edits.push_back({'P', call.index, call.opt});
      if (call.opcode == audioMasterEndEdit) edits.push_back({'E', call.index, 0.0});
    }
    return edits;
  }
  void ClearEdits() override { host.ClearCalls(); }
  HMODULE Module() const override { return ModuleOf(reinterpret_cast<const void*>(module.Entry())); }

  vst2host::Vst2Host& Host() { return host; }

private:
  vst2host::Vst2Module module;
  vst2host::Vst2Host host;
};

using namespace vst3;
using vst3host::HostObject;
using vst3host::Owned;

// Records the edits and the context-menu requests of the plug-in.
class EditHandler : public HostObject<IComponentHandler, IComponentHandler3> {
public:
  tresult beginEdit(ParamID id) override { return Add('B', id, 0.0); }
  tresult performEdit(ParamID id, ParamValue value) override { return Add('P', id, value); }
  tresult endEdit(ParamID id) override { return Add('E', id, 0.0); }
  tresult restartComponent(int32) override { return kResultOk; }
  IContextMenu* createContextMenu(IPlugView* view, const ParamID* id) override
  {
    menuView = view;
    menuParam = id ? int(*id) : -1;
    ++menuRequests;
    return nullptr;
  }

  std::vector<Edit> edits;
  IPlugView* menuView = nullptr;
  int menuParam = -1;
  int menuRequests = 0;

private:
  tresult Add(char kind, ParamID id, double value)
  {
    edits.push_back({kind, int(id), value});
    return kResultOk;
  }
};

// The host's frame: grants every resize at once, as most hosts do.
class HostFrame : public HostObject<IPlugFrame> {
public:
  tresult resizeView(IPlugView* view, ViewRect* size) override
  {
    ++requests;
    return view ? view->onSize(size) : kInvalidArgument;
  }
  int requests = 0;
};

class Vst3Session : public EditorSession {
public:
  Vst3Session()
  {
    std::string error;
    module = vst3host::Vst3Module::load(BRINDLE3_BUNDLE, error);
    if (module) instance = vst3host::PluginInstance::create(module->factory(), 0, application.get(), error);
    if (!instance || !instance->controller()) {
      ADD_FAILURE() << error;
      return;
    }
    instance->controller()->setComponentHandler(handler.get());
    ProcessSetup setup{kRealtime, kSample32, 64, 44100.0};
    instance->processor()->setupProcessing(setup);
    instance->component()->setActive(1);
    instance->processor()->setProcessing(1);
  }
  ~Vst3Session() override
  {
    Close();
    if (instance) {
      instance->processor()->setProcessing(0);
      instance->component()->setActive(0);
    }
    instance.reset();
  }

  bool Open(HWND parent) override
  {
    if (!instance) return false;
    if (!view) {
      view = Owned<IPlugView>(instance->controller()->createView("editor"));
      if (!view) return false;
      view->setFrame(frame.get());
    }
    return view->attached(parent, "HWND") == kResultOk;
  }
  void Close() override
  {
    if (!view) return;
    view->removed();
    view->setFrame(nullptr);
    view.reset();
  }
  double Param(int index) override { return instance ? instance->controller()->getParamNormalized(ParamID(index)) : -1; }
  void Automate(int index, double normalized) override
  {
    vst3host::ParameterChanges changes;
    changes.add(ParamID(index), 0, normalized);
    instance->processor()->process(buffers.prepare(64, &changes));
  }
  void Play(const std::vector<float>& left, const std::vector<float>& right) override
  {
    // In blocks of 64, the largest this session set up; the meters do not depend on it.
    for (size_t done = 0; done < left.size(); done += 64) {
      const int32 count = int32(std::min<size_t>(64, left.size() - done));
      for (int32 i = 0; i < count; ++i) {
        buffers.setInput(0, i, left[done + size_t(i)]);
        buffers.setInput(1, i, right[done + size_t(i)]);
      }
      instance->processor()->process(buffers.prepare(count));
    }
  }
  std::vector<Edit> Edits() override { return handler->edits; }
  void ClearEdits() override { handler->edits.clear(); }
  HMODULE Module() const override { return ModuleOf(module ? module->symbol("GetPluginFactory") : nullptr); }

  IPlugView* View() const { return view.get(); }
  EditHandler& Handler() { return *handler.get(); }

private:
  std::unique_ptr<vst3host::Vst3Module> module;
  Owned<vst3host::HostApplication> application{new vst3host::HostApplication("Brindle GUI host")};
  Owned<EditHandler> handler{new EditHandler};
  Owned<HostFrame> frame{new HostFrame};
  std::unique_ptr<vst3host::PluginInstance> instance;
  Owned<IPlugView> view;
  vst3host::ProcessBuffers buffers{kSample32, 2, 2, 64};
};

// A CLAP host: gui.create and set_parent into its window, destroy on close; edits
// arrive as output events of the flush the plug-in asks for.
class ClapSession : public EditorSession {
public:
  ClapSession()
  {
    std::string error;
    module = claphost::ClapModule::Load(BRINDLE_CLAP_MODULE, error);
    if (module) instance = claphost::ClapInstance::Create(*module, host, "com.orvane.brindle", error);
    if (!instance || !instance->gui || !instance->params) {
      ADD_FAILURE() << error;
      return;
    }
    p = instance->Plugin();
    instance->Activate(44100.0, 1, 64);
    instance->StartProcessing();
  }
  ~ClapSession() override
  {
    Close();
    instance.reset();
  }

  bool Open(HWND parent) override
  {
    if (!instance) return false;
    if (!created) created = instance->gui->create(p, "win32", false);
    clap_window window{"win32", {nullptr}};
    window.win32 = parent;
    return created && instance->gui->set_parent(p, &window) && instance->gui->show(p);
  }
  void Close() override
  {
    if (!created) return;
    instance->gui->destroy(p);
    created = false;
  }
  double Param(int index) override { return instance ? Normalized(index, instance->Value(clap_id(index))) : -1; }
  void Automate(int index, double normalized) override
  {
    clap_param_info info{};
    instance->params->get_info(p, uint32_t(index), &info);
    claphost::EventList events;
    events.AddParam(0, clap_id(index), info.min_value + normalized * (info.max_value - info.min_value));
    std::vector<float> left(64), right(64);
    float* io[2] = {left.data(), right.data()};
    instance->Process(io, io, 64, &events, &outbox);
  }
  // In blocks of 64 frames, the most this instance was activated for.
  void Play(const std::vector<float>& left, const std::vector<float>& right) override
  {
    claphost::EventList none;
    std::vector<float> blockLeft(64), blockRight(64);
    for (size_t done = 0; done < left.size(); done += 64) {
      const size_t count = std::min<size_t>(64, left.size() - done);
      std::copy_n(left.begin() + long(done), count, blockLeft.begin());
      std::copy_n(right.begin() + long(done), count, blockRight.begin());
      float* io[2] = {blockLeft.data(), blockRight.data()};
      instance->Process(io, io, uint32_t(count), &none, &outbox);
    }
  }
  std::vector<Edit> Edits() override
  {
    instance->Flush(nullptr, &outbox);
    std::vector<Edit> edits;
    for (const claphost::OutputEvent& event : outbox.events) {
      const int index = int(event.param);
      if (event.type == CLAP_EVENT_PARAM_GESTURE_BEGIN) edits.push_back({'B', index, 0.0});
      if (event.type == CLAP_EVENT_PARAM_VALUE) edits.push_back({'P', index, Normalized(index, event.value)});
      if (event.type == CLAP_EVENT_PARAM_GESTURE_END) edits.push_back({'E', index, 0.0});
    }
    return edits;
  }
  void ClearEdits() override
  {
    instance->Flush(nullptr, &outbox);
    outbox.events.clear();
  }
  HMODULE Module() const override { return ModuleOf(module ? module->Entry() : nullptr); }

  claphost::ClapHost host;

private:
  double Normalized(int index, double plain) const
  {
    clap_param_info info{};
    instance->params->get_info(p, uint32_t(index), &info);
    return (plain - info.min_value) / (info.max_value - info.min_value);
  }

  std::unique_ptr<claphost::ClapModule> module;
  std::unique_ptr<claphost::ClapInstance> instance;
  const clap_plugin* p = nullptr;
  bool created = false;
  claphost::OutputList outbox;
};

// ---- The checks, run for every format ----

enum class Format { Vst2, Vst3, Clap };

std::unique_ptr<EditorSession> MakeSession(Format format)
{
  if (format == Format::Vst2) return std::make_unique<Vst2Session>();
  if (format == Format::Clap) return std::make_unique<ClapSession>();
  return std::make_unique<Vst3Session>();
}

class EditorInHost : public ::testing::TestWithParam<Format> {
protected:
  void SetUp() override
  {
    session = MakeSession(GetParam());
    ASSERT_NE(window.Handle(), nullptr) << "no window: is DISPLAY set?";
    ASSERT_TRUE(session->Open(window.Handle()));
    editor = window.Editor();
    ASSERT_NE(editor, nullptr);
    ASSERT_EQ(PumpTicks(editor, 2), 2) << "the editor's timer does not run";
  }
  void TearDown() override { session.reset(); }

  // Lets the posted messages and then `ticks` timer ticks run.
  void Settle(int ticks = 2) { ASSERT_EQ(PumpTicks(editor, ticks), ticks); }
  const char* Name() const
  {
    return GetParam() == Format::Vst2 ? "vst2" : GetParam() == Format::Vst3 ? "vst3" : "clap";
  }

  HostWindow window{0, 0, kEditorWidth, kEditorHeight};
  std::unique_ptr<EditorSession> session;
  HWND editor = nullptr;
};

std::string FormatName(const ::testing::TestParamInfo<Format>& info)
{
  return info.param == Format::Vst2 ? "Vst2" : info.param == Format::Vst3 ? "Vst3" : "Clap";
}

TEST_P(EditorInHost, ScreenShowsTheWindowlessDrawing)
{
  const std::vector<std::vector<Setting>> cases = {
    {},
    {{kWidth, 0.8}, {kPanning, 0.2}, {kOutputGain, 0.7}, {kBypass, 1.0}},
    {{kChannelSelector, 1.0}, {kWidth, 0.3}},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    for (const Setting& setting : cases[i]) session->Automate(setting.index, setting.normalized);
    Settle();
    const Capture screen = CaptureWindow(editor);
    SavePng(screen, std::string("editor-") + Name() + "-" + std::to_string(i) + ".png");
    const ::testing::AssertionResult same = LooksLike(screen, WindowlessDrawing(cases[i]));
    EXPECT_TRUE(same) << "case " << i;
    std::printf("%s case %zu: %s\n", Name(), i, same.message());
    // Back to the defaults for the next case.
    session->Automate(kWidth, 0.5);
    session->Automate(kPanning, 0.5);
    session->Automate(kOutputGain, 0.5);
    session->Automate(kBypass, 0.0);
    session->Automate(kChannelSelector, 0.0);
  }
}

// A second of a known stereo signal played while the editor is open: the meters show
// what the window-less editor shows after the same input.
TEST_P(EditorInHost, MetersShowTheWindowlessDrawingOfTheSameInput)
{
  const size_t frames = 44100;
  std::vector<float> left(frames), right(frames);
  for (size_t i = 0; i < frames; ++i) {
    const double phase = 2.0 * 3.14159265358979323846 * 1000.0 * double(i) / 44100.0;
    left[i] = float(0.5 * std::sin(phase));
    right[i] = float(0.3 * std::sin(phase + 0.6) + (i > 30000 && i < 30010 ? 0.9 : 0.0));
  }
  session->Play(left, right);
  Settle(3);
  const Capture screen = CaptureWindow(editor);
  SavePng(screen, std::string("editor-meters-") + Name() + ".png");
  const Capture drawn = WindowlessDrawingPlaying(left, right);
  ASSERT_GT(Compare(drawn, WindowlessDrawing({})).differentOutsideText, 1000);  // the meters moved
  const ::testing::AssertionResult same = LooksLike(screen, drawn);
  EXPECT_TRUE(same);
  std::printf("%s meters: %s\n", Name(), same.message());
}

TEST_P(EditorInHost, DraggingWidthIsOneGestureTheParameterFollows)
{
  struct Case {
    int dY;
    WPARAM keys;
    double change;
  };
  // Up by dY pixels on a 61-pixel control with the divisor 4: dY / 61 / 4 of the
  // range; Shift or Ctrl make it ten times finer.
  const Case cases[] = {
    {-10, 0, 10.0 / 61.0 / 4.0},
    {-20, MK_SHIFT, 20.0 / 61.0 / 40.0},
    {30, MK_CONTROL, -30.0 / 61.0 / 40.0},
  };
  double expected = 0.5;
  for (const Case& c : cases) {
    session->ClearEdits();
    Drag(editor, kWidthKnob.x, kWidthKnob.y, 0, c.dY, c.keys);
    Settle();
    expected += c.change;
    const std::vector<Edit> edits = session->Edits();
    ASSERT_GE(edits.size(), 3u);
    EXPECT_EQ(edits.front().kind, 'B');
    EXPECT_EQ(edits.back().kind, 'E');
    for (const Edit& edit : edits) EXPECT_EQ(edit.index, kWidth);
    for (size_t i = 1; i + 1 < edits.size(); ++i) EXPECT_EQ(edits[i].kind, 'P');
    EXPECT_NEAR(edits[edits.size() - 2].value, expected, 1e-6) << "dY " << c.dY;
    EXPECT_NEAR(session->Param(kWidth), expected, 1e-6) << "dY " << c.dY;
  }
  EXPECT_TRUE(LooksLike(CaptureWindow(editor), WindowlessDrawing({{kWidth, session->Param(kWidth)}})));
  // A double click returns the knob to its default.
  DoubleClick(editor, kWidthKnob.x, kWidthKnob.y);
  Settle();
  EXPECT_NEAR(session->Param(kWidth), 0.5, 1e-6);
}

TEST_P(EditorInHost, ChannelButtonsSwitchPagesAndGreyStereoControls)
{
  const Capture stereo = CaptureWindow(editor);
  struct Case {
    POINT button;
    double selector;
  };
  for (const Case& c : {Case{kMidButton, 0.5}, Case{kSideButton, 1.0}, Case{kStereoButton, 0.0}}) {
    Click(editor, c.button.x, c.button.y);
    Settle();
    EXPECT_DOUBLE_EQ(session->Param(kChannelSelector), c.selector);
    EXPECT_TRUE(LooksLike(CaptureWindow(editor), WindowlessDrawing({{kChannelSelector, c.selector}})))
      << "selector " << c.selector;
  }
  // In mid mode the greyed width knob looks different and takes no clicks.
  Click(editor, kMidButton.x, kMidButton.y);
  Settle();
  const Capture mid = CaptureWindow(editor);
  EXPECT_NE(mid.At(kWidthKnob.x, kWidthKnob.y - 10), stereo.At(kWidthKnob.x, kWidthKnob.y - 10));
  session->ClearEdits();
  Drag(editor, kWidthKnob.x, kWidthKnob.y, 0, -20);
  Settle();
  EXPECT_TRUE(session->Edits().empty());
  EXPECT_DOUBLE_EQ(session->Param(kWidth), 0.5);
}

TEST_P(EditorInHost, ValueTextOpensAnEntryThatCommitsOrCancels)
{
  Click(editor, kWidthValueText.x, kWidthValueText.y);
  Settle(1);
  HWND field = EntryField(editor);
  ASSERT_NE(field, nullptr);
  EXPECT_EQ(WindowText(field), "0.00");
  // Letters are swallowed; signs, digits and the full stop pass.
  Type(field, "-a0.x5Z");
  Settle(1);
  EXPECT_EQ(WindowText(field), "-0.5");
  SavePng(CaptureWindow(editor), std::string("editor-") + Name() + "-entry.png");
  EXPECT_DOUBLE_EQ(session->Param(kWidth), 0.5);
  Key(field, VK_RETURN);
  Settle(2);
  EXPECT_EQ(EntryField(editor), nullptr);
  EXPECT_NEAR(session->Param(kWidth), 0.25, 1e-6);  // -0.5 on -1..1

  Click(editor, kWidthValueText.x, kWidthValueText.y);
  Settle(1);
  field = EntryField(editor);
  ASSERT_NE(field, nullptr);
  EXPECT_EQ(WindowText(field), "-0.50");
  Type(field, "0.9");
  Key(field, VK_ESCAPE);
  Settle(2);
  EXPECT_EQ(EntryField(editor), nullptr);
  EXPECT_NEAR(session->Param(kWidth), 0.25, 1e-6);
  EXPECT_TRUE(LooksLike(CaptureWindow(editor), WindowlessDrawing({{kWidth, 0.25}})));
}

TEST_P(EditorInHost, WheelMovesWholeNotches)
{
  struct Case {
    int delta;
    double expected;
  };
  // One notch (120) moves a knob by 0.01 of its range.
  for (const Case& c : {Case{60, 0.5}, Case{-240, 0.48}, Case{120, 0.49}, Case{-59, 0.49}}) {
    Wheel(editor, kWidthKnob.x, kWidthKnob.y, c.delta);
    Settle(1);
    EXPECT_NEAR(session->Param(kWidth), c.expected, 1e-6) << "delta " << c.delta;
  }
}

TEST_P(EditorInHost, KeysGoOnToTheHostWindow)
{
  // No control of this editor takes keys: mapped (a letter, an arrow) and unmapped
  // (F5) keys alike reach the host's top-level window, and nothing changes.
  TakeHostKeys();
  for (WPARAM key : {WPARAM('A'), WPARAM(VK_UP), WPARAM(VK_F5)}) Key(editor, key);
  Settle(1);
  const std::vector<HostKey> keys = TakeHostKeys();
  ASSERT_EQ(keys.size(), 6u);
  const WPARAM expected[] = {'A', 'A', VK_UP, VK_UP, VK_F5, VK_F5};
  for (size_t i = 0; i < keys.size(); ++i) {
    EXPECT_EQ(keys[i].virtualKey, expected[i]) << i;
    EXPECT_EQ(keys[i].down, i % 2 == 0) << i;
  }
  EXPECT_DOUBLE_EQ(session->Param(kWidth), 0.5);
}

TEST_P(EditorInHost, AboutPageOpensAndCloses)
{
  Click(editor, kAboutTarget.x, kAboutTarget.y);
  Settle();
  const Capture about = CaptureWindow(editor);
  EXPECT_TRUE(LooksLike(about, WindowlessDrawing({}, {kAboutTarget})));
  EXPECT_FALSE(LooksLike(about, WindowlessDrawing({})));
  Click(editor, 100, 100);
  Settle();
  EXPECT_TRUE(LooksLike(CaptureWindow(editor), WindowlessDrawing({})));
}

TEST_P(EditorInHost, AutomationShowsWithinTwoTicks)
{
  session->Automate(kWidth, 1.0);
  Settle(2);
  EXPECT_TRUE(LooksLike(CaptureWindow(editor), WindowlessDrawing({{kWidth, 1.0}})));
  session->Automate(kChannelSelector, 0.5);
  Settle(2);
  EXPECT_TRUE(LooksLike(CaptureWindow(editor), WindowlessDrawing({{kWidth, 1.0}, {kChannelSelector, 0.5}})));
}

TEST_P(EditorInHost, ReopeningLeavesOneWorkingWindow)
{
  // Opened again while open (effEditOpen twice, or the view attached twice): the
  // new window replaces the old one.
  ASSERT_TRUE(session->Open(window.Handle()));
  EXPECT_EQ(window.EditorCount(), 1);
  EXPECT_FALSE(IsWindow(editor));
  session->Close();
  EXPECT_EQ(window.EditorCount(), 0);
  EXPECT_FALSE(ClassRegistered(session->Module()));
  ASSERT_TRUE(session->Open(window.Handle()));
  EXPECT_EQ(window.EditorCount(), 1);
  editor = window.Editor();
  Settle();
  EXPECT_TRUE(LooksLike(CaptureWindow(editor), WindowlessDrawing({})));
}

TEST_P(EditorInHost, TwoEditorsShareTheWindowClassUntilTheLastCloses)
{
  HostWindow secondWindow(0, kEditorHeight + 40, kEditorWidth, kEditorHeight);  // below: both fit the display
  std::unique_ptr<EditorSession> second = MakeSession(GetParam());
  ASSERT_TRUE(second->Open(secondWindow.Handle()));
  HWND secondEditor = secondWindow.Editor();
  ASSERT_NE(secondEditor, nullptr);
  second->Automate(kWidth, 1.0);
  Settle();
  EXPECT_TRUE(LooksLike(CaptureWindow(editor), WindowlessDrawing({})));
  EXPECT_TRUE(LooksLike(CaptureWindow(secondEditor), WindowlessDrawing({{kWidth, 1.0}})));

  session->Close();
  EXPECT_TRUE(ClassRegistered(second->Module()));
  EXPECT_EQ(PumpTicks(secondEditor, 2), 2);
  second->Close();
  EXPECT_FALSE(ClassRegistered(second->Module()));
}

TEST_P(EditorInHost, ClosingWithAnOpenEntryLeavesNothingBehind)
{
  Click(editor, kWidthValueText.x, kWidthValueText.y);
  Settle(1);
  HWND field = EntryField(editor);
  ASSERT_NE(field, nullptr);
  session->Close();
  EXPECT_FALSE(IsWindow(field));
  EXPECT_FALSE(IsWindow(editor));
  Pump(100);

  // Reopened, the editor opens a new entry: nothing of the old one is left.
  ASSERT_TRUE(session->Open(window.Handle()));
  editor = window.Editor();
  Settle();
  Click(editor, kWidthValueText.x, kWidthValueText.y);
  Settle(1);
  field = EntryField(editor);
  ASSERT_NE(field, nullptr);
  Type(field, "1");
  Key(field, VK_RETURN);
  Settle(2);
  EXPECT_NEAR(session->Param(kWidth), 1.0, 1e-6);
}

TEST_P(EditorInHost, HostDestroyingItsWindowFirstIsSurvived)
{
  window.Destroy();
  EXPECT_FALSE(IsWindow(editor));
  session->Close();
  HostWindow another(0, 0, kEditorWidth, kEditorHeight);
  ASSERT_TRUE(session->Open(another.Handle()));
  editor = another.Editor();
  ASSERT_NE(editor, nullptr);
  Settle();
  EXPECT_TRUE(LooksLike(CaptureWindow(editor), WindowlessDrawing({})));
  session->Close();
  EXPECT_FALSE(ClassRegistered(session->Module()));
}

INSTANTIATE_TEST_SUITE_P(Formats, EditorInHost, ::testing::Values(Format::Vst2, Format::Vst3, Format::Clap),
                         FormatName);

// ---- Format-specific ----

TEST(Vst2EditorInHost, EditorRectAndFlag)
{
  Vst2Session session;
  AEffect* effect = session.Host().Effect();
  ASSERT_NE(effect, nullptr);
  EXPECT_TRUE(effect->flags & effFlagsHasEditor);
  ERect* rect = nullptr;
  ASSERT_EQ(session.Host().Dispatch(effEditGetRect, 0, 0, &rect), 1);
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(rect->top, 0);
  EXPECT_EQ(rect->left, 0);
  EXPECT_EQ(rect->bottom, kEditorHeight);
  EXPECT_EQ(rect->right, kEditorWidth);
  EXPECT_EQ(session.Host().Dispatch(effEditOpen, 0, 0, nullptr), 0);
}

TEST(Vst2EditorInHost, WindowThatOutlivesThePluginIsHarmless)
{
  HostWindow window(0, 0, kEditorWidth, kEditorHeight);
  auto session = std::make_unique<Vst2Session>();
  ASSERT_TRUE(session->Open(window.Handle()));
  HWND editor = window.Editor();
  ASSERT_NE(editor, nullptr);
  Click(editor, kWidthValueText.x, kWidthValueText.y);
  ASSERT_EQ(PumpTicks(editor, 1), 1);
  HWND field = EntryField(editor);
  ASSERT_NE(field, nullptr);
  // A host that closes the plug-in from another thread: the window, owned by this
  // thread, cannot be destroyed there and outlives the editor object.
  std::atomic<bool> closed{false};
  std::thread closer([&session, &closed] {
    session->Host().Close();
    closed = true;
  });
  // Keep this thread's messages running, as a host's interface thread does.
  while (!closed) Pump(10);
  closer.join();
  ASSERT_TRUE(IsWindow(editor));
  Click(editor, kWidthKnob.x, kWidthKnob.y);
  Drag(editor, kWidthKnob.x, kWidthKnob.y, 0, -10);
  Wheel(editor, kWidthKnob.x, kWidthKnob.y, -120);
  Key(editor, 'A');
  if (IsWindow(field)) {
    Type(field, "12");
    Key(field, VK_RETURN);
  }
  InvalidateRect(editor, nullptr, FALSE);
  Pump(300);
  window.Destroy();
  EXPECT_FALSE(IsWindow(editor));
  session.reset();
}

TEST(Vst3EditorInHost, ViewAnswersAndHostMenu)
{
  HostWindow window(0, 0, kEditorWidth, kEditorHeight);
  Vst3Session session;
  ASSERT_TRUE(session.Open(window.Handle()));
  IPlugView* view = session.View();
  ViewRect size{};
  ASSERT_EQ(view->getSize(&size), kResultOk);
  EXPECT_EQ(size.right - size.left, kEditorWidth);
  EXPECT_EQ(size.bottom - size.top, kEditorHeight);
  EXPECT_EQ(view->isPlatformTypeSupported("HWND"), kResultTrue);
  EXPECT_EQ(view->isPlatformTypeSupported("X11EmbedWindowID"), kResultFalse);
  EXPECT_EQ(view->onSize(&size), kResultOk);
  HWND editor = window.Editor();
  ASSERT_NE(editor, nullptr);

  // A right click on a knob asks the host for its menu and starts no edit.
  session.ClearEdits();
  Click(editor, kWidthKnob.x, kWidthKnob.y, true);
  ASSERT_EQ(PumpTicks(editor, 1), 1);
  EXPECT_EQ(session.Handler().menuRequests, 1);
  EXPECT_EQ(session.Handler().menuView, view);
  EXPECT_EQ(session.Handler().menuParam, kWidth);
  for (const Edit& edit : session.Edits()) EXPECT_NE(edit.kind, 'B');

  // Removed, then attached with a foreign type or no parent: nothing opens.
  ASSERT_EQ(view->removed(), kResultOk);
  EXPECT_EQ(window.EditorCount(), 0);
  EXPECT_EQ(view->attached(window.Handle(), "X11EmbedWindowID"), kResultFalse);
  EXPECT_EQ(view->attached(nullptr, "HWND"), kResultFalse);
  EXPECT_EQ(window.EditorCount(), 0);
  EXPECT_FALSE(ClassRegistered(session.Module()));
}

}  // namespace
