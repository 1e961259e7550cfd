// Shared helpers of the editor tests that drive Brindle: the plug-in on the test
// wrapper with its real editor, mouse gestures, and the images it carries.
#pragma once

#include "Brindle.h"
#include "BrindleEditor.h"

#include "graphics/IControl.h"
#include "graphics/IGraphicsHeadless.h"
#include "graphics/ModuleInstance.h"

#include "PixPng.h"
#include "PixSysBitmap.h"

#include <memory>
#include <vector>

inline std::unique_ptr<Brindle> MakeBrindle()
{
  auto plug = std::make_unique<Brindle>(nullptr);
  plug->SetInputConnections(0, 2, true);
  plug->SetOutputConnections(0, 2, true);
  plug->SetSampleRate(44100.0);
  plug->ChangeBlockSize(512);
  plug->OnReset();
  return plug;
}

inline IGraphicsHeadless& EditorOf(Brindle& plug)
{
  return *static_cast<IGraphicsHeadless*>(plug.Editor());
}

inline IMouseMods Button(bool shift = false, bool ctrl = false)
{
  IMouseMods mods;
  mods.L = true;
  mods.S = shift;
  mods.C = ctrl;
  return mods;
}

inline void Click(IGraphicsHeadless& editor, int x, int y)
{
  editor.MouseDown(x, y, Button());
  editor.MouseUp(x, y, Button());
  editor.Tick();
}

// Runs frames of the same signal on both channels (mono) or opposite ones.
inline void ProcessSignal(Brindle& plug, int frames, bool mono)
{
  std::vector<double> left(512), right(512), outLeft(512), outRight(512);
  for (int done = 0; done < frames; done += 512) {
    const int count = frames - done < 512 ? frames - done : 512;
    for (int i = 0; i < count; ++i) {
      left[size_t(i)] = 0.25 * ((done + i) % 100 < 50 ? 1.0 : -1.0);
      right[size_t(i)] = mono ? left[size_t(i)] : -left[size_t(i)];
    }
    double* in[2] = {left.data(), right.data()};
    double* out[2] = {outLeft.data(), outRight.data()};
    plug.ProcessDoubleReplacing(2, in, 2, out, count);
  }
}

// One of the images the program carries, decoded.
inline std::unique_ptr<PIX_MemBitmap> CarriedImage(int id)
{
  return std::unique_ptr<PIX_MemBitmap>(LoadPngResource(ModuleInstance(), uint32_t(id)));
}

inline uint32_t PixelAt(PIX_IBitmap& bitmap, int x, int y)
{
  return bitmap.Pixels()[size_t(y) * size_t(bitmap.RowStride()) + size_t(x)];
}
