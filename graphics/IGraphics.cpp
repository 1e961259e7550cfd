// Platform-neutral core of the plug-in editor: controls, surfaces, the redraw cycle,
// drawing primitives, parameter flow and mouse routing.
#include "graphics/IGraphics.h"

#include "framework/IEffectBase.h"
#include "graphics/IBitmapCache.h"
#include "graphics/IControl.h"

#include "PixBlit.h"
#include "PixFontCache.h"
#include "PixSysBitmap.h"

#include <algorithm>
#include <cmath>
#include <cstring>

IRect IRect::Union(const IRect& other) const
{
  if (Empty()) return other;
  if (other.Empty()) return *this;
  return IRect(std::min(L, other.L), std::min(T, other.T), std::max(R, other.R), std::max(B, other.B));
}

IRect IRect::Intersection(const IRect& other) const
{
  if (!Intersects(other)) return IRect();
  return IRect(std::max(L, other.L), std::max(T, other.T), std::min(R, other.R), std::min(B, other.B));
}

namespace {

uint32_t BlitModeOf(const IBlend* blend)
{
  if (!blend) return BlitCopy | BlitUseAlpha;
  switch (blend->method) {
  case IBlend::Clobber: return BlitCopy;
  case IBlend::Add: return BlitAdd | BlitUseAlpha;
  case IBlend::ColorDodge: return BlitDodge | BlitUseAlpha;
  default: return BlitCopy | BlitUseAlpha;
  }
}

float WeightOf(const IBlend* blend)
{
  return blend ? blend->weight : 1.0f;
}

}  // namespace

IGraphics::IGraphics(IEffectBase* plug_, int width_, int height_, int fps_)
  : plug(plug_), width(width_), height(height_), fps(fps_)
{
}

IGraphics::~IGraphics()
{
  DeleteControls();
  surface.reset();
  scratchBitmap.reset();
}

void IGraphics::DeleteControls()
{
  for (IControl* control : controls) delete control;
  controls.clear();
}

int IGraphics::AddControl(IControl* control)
{
  if (!control) return -1;
  controls.push_back(control);
  return ControlCount() - 1;
}

void IGraphics::AddBackgroundPanel(const IColor& color)
{
  controls.insert(controls.begin(), new IPanelControl(plug, IRect(0, 0, width, height), color));
}

IControl* IGraphics::GetControl(int index) const
{
  if (index < 0 || index >= ControlCount()) return nullptr;
  return controls[static_cast<size_t>(index)];
}

IBitmap IGraphics::LoadBitmap(int resourceId, const char* fileName, int frames, bool framesAreHorizontal)
{
  PIX_IBitmap* data = nullptr;
  if (!FindCachedBitmap(resourceId, &data)) data = CacheBitmap(resourceId, LoadPlatformBitmap(resourceId, fileName));
  IBitmap bitmap;
  bitmap.data = data;
  bitmap.W = data ? data->Width() : 0;
  bitmap.H = data ? data->Height() : 0;
  bitmap.N = frames;
  bitmap.framesAreHorizontal = framesAreHorizontal;
  return bitmap;
}

void IGraphics::CreateDrawSurfaces()
{
  surface = std::make_unique<PIX_SysBitmap>(width, height);
  scratchBitmap = std::make_unique<PIX_MemBitmap>();
}

void IGraphics::Resize(int newWidth, int newHeight)
{
  width = newWidth;
  height = newHeight;
  ReleaseCapture();
  DeleteControls();
  surface.reset();
  scratchBitmap.reset();
  CreateDrawSurfaces();
  if (plug) plug->ResizeEditorFrame(width, height);
}

// ---- Redraw cycle ----

bool IGraphics::CollectDirty(IRect& rect)
{
  rect = IRect();
  bool dirty = false;
  for (IControl* control : controls) {
    control->Animate();
    if (control->NeedsRedraw()) {
      rect = rect.Union(control->GetRect());
      dirty = true;
    }
  }
  return dirty;
}

bool IGraphics::Draw(const IRect& area)
{
  if (controls.empty()) return true;
  paintRect = area;
  for (IControl* control : controls) {
    if (!control->IsHidden() && area.Intersects(control->GetRect())) control->Draw(*this);
    control->MarkClean();
  }
  return PresentToScreen(area);
}

// ---- Drawing primitives ----

bool IGraphics::DrawBitmap(const IBitmap& bitmap, const IRect& dest, int srcX, int srcY, const IBlend* blend)
{
  const IRect r = dest.Intersection(paintRect);
  if (r.Empty() || !surface) return true;
  PIX_Rect source;
  source.L = srcX + r.L - dest.L;
  source.T = srcY + r.T - dest.T;
  source.R = srcX + r.R - dest.L;
  source.B = srcY + r.B - dest.T;
  PIX_BlitRect(surface.get(), bitmap.data, r.L, r.T, &source, WeightOf(blend), BlitModeOf(blend));
  return true;
}

bool IGraphics::DrawBitmapFrame(const IBitmap& bitmap, const IRect& dest, int frame, const IBlend* blend)
{
  int offset = 0;
  if (bitmap.N >= 2 && frame >= 2) {
    const double size = bitmap.framesAreHorizontal ? bitmap.W : bitmap.H;
    offset = int(size * (frame - 1) / bitmap.N + 0.5);
  }
  return bitmap.framesAreHorizontal ? DrawBitmap(bitmap, dest, offset, 0, blend)
                                    : DrawBitmap(bitmap, dest, 0, offset, blend);
}

bool IGraphics::FillRect(const IColor& color, const IRect& rect, const IBlend* blend)
{
  if (surface)
    PIX_FillArea(surface.get(), rect.L, rect.T, rect.R - rect.L, rect.B - rect.T, color.Packed(), WeightOf(blend),
                 BlitModeOf(blend));
  return true;
}

bool IGraphics::MeasureText(IText& text, const char* string, IRect& rect)
{
  return DrawText(text, string, rect, true);
}

bool IGraphics::DrawText(IText& text, const char* string, IRect& rect, bool measure)
{
  if (!string || string[0] == '\0') return true;
  if (!text.fontObject) {
    PIX_TextStyle style;
    style.size = text.size;
    style.orientation = text.orientation;
    style.style = text.style;
    style.quality = text.quality;
    // The face name need not carry its terminator; the style has room for it.
    std::memcpy(style.faceName, text.font, sizeof(text.font));
    text.fontObject = GetCachedFont(style);
    if (!text.fontObject) return false;
  }
  PIX_IFont* font = text.fontObject;
  font->SetForeground(text.color.Packed());
  uint32_t format = TextNoClip;
  if (text.color.A != 255) format |= TextUseForegroundAlpha;
  if (text.align == IText::Centre) format |= TextCentre;
  if (text.align == IText::Right) format |= TextRight;

  PIX_Rect box;
  box.L = rect.L;
  box.T = rect.T;
  box.R = rect.R;
  box.B = rect.B;
  if (!measure) {
    if (surface) font->RenderText(surface.get(), string, -1, &box, format);
    return true;
  }
  const int32_t h = font->RenderText(nullptr, string, -1, &box, format | TextCalculateRect);
  const int32_t w = box.R - box.L;
  if (text.align == IText::Centre) {
    rect.L = int((rect.L + rect.R) * 0.5) - w / 2;
    rect.R = rect.L + w;
  } else if (text.align == IText::Right) {
    rect.L = rect.R - w;
  } else {
    rect.R = rect.L + w;
  }
  rect.B = rect.T + h;
  return true;
}

// ---- Parameters ----

void IGraphics::SetControlsFromParameter(int paramIndex, double value, bool normalized)
{
  if (!normalized) {
    const IParam* param = plug ? plug->GetParam(paramIndex) : nullptr;
    if (!param) return;
    value = param->NormalizedOf(value);
  }
  for (IControl* control : controls)
    if (control->ParamIdx() == paramIndex) control->UpdateFromPlug(value);
}

void IGraphics::PromptForParameterValue(IControl* control, IParam* param, const IRect& rect)
{
  if (!control || !param || !plug) return;
  char current[IParam::kTextSize] = {};
  double plain = 0.0;
  {
    // The host's threads change the value under the plug-in's mutex.
    PluginLock lock(plug->Mutex());
    param->FormatCurrent(current);
    plain = param->Value();
  }
  const bool isEnum = param->Kind() == ParamKind::Enum;
  const bool labelledBool = param->Kind() == ParamKind::Bool && param->DisplayTextCount() > 0;
  if (isEnum || labelledBool) {
    IMenu menu;
    for (int i = 0; i < param->DisplayTextCount(); ++i) {
      const char* itemText = param->DisplayTextAt(i)->text;
      menu.AddItem(itemText, std::strcmp(itemText, current) == 0 ? IMenuItem::Checked : 0);
    }
    IMenu* chosen = ShowPopupMenu(menu, rect);
    if (chosen && chosen->chosenItemIndex >= 0) {
      const double picked = std::clamp(double(chosen->chosenItemIndex), param->Min(), param->Max());
      control->TakeUserValue(param->NormalizedOf(picked));
    }
    return;
  }
  char entry[IParam::kTextSize] = {};
  param->FormatForHost(plain, false, entry, false);
  OpenTextEntry(control, control->GetText(), rect, entry, param);
}

// ---- Mouse routing ----

int IGraphics::FindControl(int x, int y) const
{
  for (int i = ControlCount() - 1; i >= 0; --i) {
    const IControl* control = controls[static_cast<size_t>(i)];
    if (!control->IsHidden() && !control->IsGreyed() && control->HitTest(x, y)) return i;
  }
  return -1;
}

void IGraphics::ReleaseCapture()
{
  capturedControl = -1;
  lastX = -1;
  lastY = -1;
}

void IGraphics::MouseDown(int x, int y, const IMouseMods& mods)
{
  ReleaseCapture();
  const int index = FindControl(x, y);
  if (index < 0) return;
  IControl* control = controls[static_cast<size_t>(index)];
  capturedControl = index;
  lastX = x;
  lastY = y;
  const int param = control->ParamIdx();
  if (plug && plug->PluginFormat() == 1 && mods.R && param >= 0) {
    ReleaseCapture();
    plug->ShowHostContextMenu(param, x, y);
    return;
  }
  if (plug && param >= 0) plug->BeginParamEdit(param);
  control->MouseDown(x, y, mods);
}

void IGraphics::MouseUp(int x, int y, const IMouseMods& mods)
{
  const int index = capturedControl >= 0 ? capturedControl : FindControl(x, y);
  ReleaseCapture();
  IControl* control = GetControl(index);
  if (!control) return;
  control->MouseUp(x, y, mods);
  if (plug && control->ParamIdx() >= 0) plug->EndParamEdit(control->ParamIdx());
}

bool IGraphics::MouseDoubleClick(int x, int y, const IMouseMods& mods)
{
  ReleaseCapture();
  const int index = FindControl(x, y);
  if (index < 0) return false;
  IControl* control = controls[static_cast<size_t>(index)];
  if (control->DoubleClickAsSingle()) {
    capturedControl = index;
    lastX = x;
    lastY = y;
    control->MouseDown(x, y, mods);
    return true;
  }
  control->MouseDoubleClick(x, y, mods);
  return false;
}

void IGraphics::MouseWheel(int x, int y, const IMouseMods& mods, int notches)
{
  IControl* control = GetControl(capturedControl >= 0 ? capturedControl : FindControl(x, y));
  if (control) control->MouseWheel(x, y, mods, notches);
}

bool IGraphics::KeyDown(int x, int y, int key)
{
  const int index = capturedControl >= 0 ? capturedControl : FindControl(x, y);
  if (index <= 0) return false;
  return controls[static_cast<size_t>(index)]->KeyDown(x, y, key);
}

void IGraphics::MouseMovedWithButton(int x, int y, const IMouseMods& mods)
{
  IControl* control = GetControl(capturedControl);
  if (!control || (x == lastX && y == lastY)) return;
  const int dX = x - lastX;
  const int dY = y - lastY;
  lastX = x;
  lastY = y;
  control->MouseDrag(x, y, dX, dY, mods);
}
