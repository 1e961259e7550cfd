// brindle-snapshot: builds the plug-in with its editor in this process, applies
// parameter settings and mouse actions, and writes the editor's surface as a PNG.
#include "BrindleVersion.h"
#include "InProcessHost.h"
#include "ParamValues.h"
#include "SnapshotOptions.h"
#include "SnapshotPng.h"

#include "graphics/IGraphicsHeadless.h"
#include "PixSysBitmap.h"

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
  editor->Tick();
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
