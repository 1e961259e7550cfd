// brindle-snapshot: builds the plug-in with its editor in this process, applies
// parameter settings, plays a sound file through it, applies mouse actions, and
// writes the editor's surface as a PNG.
#include "BrindleVersion.h"
#include "InProcessHost.h"
#include "ParamValues.h"
#include "RenderOptions.h"
#include "SnapshotOptions.h"
#include "SnapshotPng.h"
#include "SoundIo.h"

#include "graphics/IGraphicsHeadless.h"
#include "PixSysBitmap.h"

#include <algorithm>
#include <cmath>
#include <iostream>

namespace {

void Apply(IGraphicsHeadless& editor, const SnapshotAction& action)
{
  IMouseMods mods;
  mods.L = action.kind != SnapshotAction::Wheel;
  mods.S = action.shift;
  switch (action.kind) {
  case SnapshotAction::Click:
    editor.MouseDown(action.x, action.y, mods);
    editor.MouseUp(action.x, action.y, mods);
    break;
  case SnapshotAction::Drag:
    editor.MouseDown(action.x, action.y, mods);
    editor.MouseMovedWithButton(action.x + action.dX, action.y + action.dY, mods);
    editor.MouseUp(action.x + action.dX, action.y + action.dY, mods);
    break;
  case SnapshotAction::Wheel:
    editor.MouseWheel(action.x, action.y, mods, action.notches);
    break;
  }
  // The window's timer runs between one user action and the next.
  editor.Tick();
}

constexpr int kBlockFrames = 512;

// Plays the source through the plug-in up to atSeconds (its end when negative; silence
// after its end), with one editor tick per frame period of audio, as an open editor
// would see it in a host playing in real time.
bool Play(InProcessHost& host, IGraphicsHeadless& editor, SoundSource& source, double rate, double atSeconds)
{
  const int64_t total = atSeconds < 0.0 ? source.Frames() : int64_t(std::llround(atSeconds * rate));
  const int64_t framesPerTick = std::max<int64_t>(1, std::llround(rate / std::max(1, editor.FPS())));
  const int channels = source.Channels();
  std::vector<double> interleaved(size_t(kBlockFrames) * size_t(channels));
  std::vector<double> left(kBlockFrames), right(kBlockFrames), outLeft(kBlockFrames), outRight(kBlockFrames);
  bool ended = false;
  int64_t sinceTick = 0;
  for (int64_t done = 0; done < total;) {
    const int count = int(std::min<int64_t>({kBlockFrames, total - done, framesPerTick - sinceTick}));
    int64_t read = 0;
    if (!ended) {
      read = source.Read(interleaved.data(), count);
      if (read < 0) return false;
      ended = read < count;
    }
    for (int i = 0; i < count; ++i) {
      const bool have = i < read;
      left[size_t(i)] = have ? interleaved[size_t(i * channels)] : 0.0;
      right[size_t(i)] = have ? interleaved[size_t(i * channels + channels - 1)] : 0.0;
    }
    double* in[2] = {left.data(), right.data()};
    double* out[2] = {outLeft.data(), outRight.data()};
    if (!host.ProcessDouble(in, out, count)) return false;
    done += count;
    sinceTick += count;
    if (sinceTick == framesPerTick) {
      editor.Tick();
      sinceTick = 0;
    }
  }
  editor.Tick();
  return true;
}

}  // namespace

int main(int argc, char** argv)
{
  const std::vector<std::string> args(argv + 1, argv + argc);
  SnapshotOptions options;
  std::string error;
  if (!ParseSnapshotOptions(args, options, error)) {
    std::cerr << "brindle-snapshot: " << error << "\n" << SnapshotUsage();
    return 2;
  }
  if (options.help) {
    std::cout << SnapshotUsage();
    return 0;
  }
  if (options.version) {
    std::cout << "brindle-snapshot " BRINDLE_VERSION_STRING "\n";
    return 0;
  }

  IEffectOffline* plugin = nullptr;
  InProcessHost host([&plugin] {
    std::unique_ptr<IEffectOffline> made = CreateOfflinePlugin();
    plugin = made.get();
    return made;
  });
  std::vector<RenderParamInfo> params;
  std::vector<double> values;
  if (!host.Create() || !host.DescribeParams(params)) {
    std::cerr << "brindle-snapshot: the plug-in could not be created\n";
    return 1;
  }
  if (!ResolveParamValues(params, options.params, values, error)) {
    std::cerr << "brindle-snapshot: " << error << "\n";
    return 2;
  }
  std::unique_ptr<SoundSource> input;
  double rate = 0.0;
  if (!options.inputPath.empty()) {
    error.clear();
    input = OpenSoundSource(options.inputPath, error);
    if (input && input->Channels() > 2) error = "only mono and stereo files are supported";
    // Raw files carry no rate: 48 kHz, as brindle-render takes them.
    rate = input ? (input->SampleRate() > 0.0 ? input->SampleRate() : 48000.0) : 0.0;
    if (input && (rate < kMinSampleRate || rate > kMaxSampleRate)) error = "its sample rate is outside 1000 to 768000 Hz";
    if (!input || !error.empty()) {
      std::cerr << "brindle-snapshot: cannot play " << options.inputPath << ": " << error << "\n";
      return 2;
    }
    if (!host.Configure(rate, kBlockFrames, RenderPrecision::Double)) {
      std::cerr << "brindle-snapshot: the plug-in refused " << rate << " Hz\n";
      return 1;
    }
  }
  if (!host.LoadParams(values)) {
    std::cerr << "brindle-snapshot: the settings could not be loaded\n";
    return 1;
  }
  {
    // As a host wrapper does after loading a state.
    PluginLock lock(plugin->Mutex());
    plugin->RefreshEditorParams();
  }
  auto* editor = dynamic_cast<IGraphicsHeadless*>(plugin->Editor());
  if (!editor || !editor->Surface()) {
    std::cerr << "brindle-snapshot: the plug-in has no window-less editor\n";
    return 1;
  }

  editor->OpenWindow(nullptr);
  if (input) {
    // As a host wrapper does once the window is open: the meters start measuring.
    plugin->OnEditorOpened();
  }
  editor->Tick();
  if (input && !Play(host, *editor, *input, rate, options.atSeconds)) {
    std::cerr << "brindle-snapshot: playing " << options.inputPath << " failed\n";
    return 1;
  }
  for (const SnapshotAction& action : options.actions) Apply(*editor, action);
  // A last redraw of the whole editor: a partial one leaves the surface outside
  // its area as the fills left it, and the picture is the whole surface.
  editor->Draw(IRect(0, 0, editor->Width(), editor->Height()));

  if (!WriteSurfacePng(*editor->Surface(), options.outputPath)) {
    std::cerr << "brindle-snapshot: cannot write " << options.outputPath << "\n";
    return 1;
  }
  editor->CloseWindow();
  host.Release();
  return 0;
}
