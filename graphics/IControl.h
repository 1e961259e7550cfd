// Base of every editor control: a rectangle that draws itself, a normalized value
// tied to one plug-in parameter, and the mouse handling of its kind.
#pragma once

#include "graphics/IGraphicsTypes.h"

#include <atomic>

class IEffectBase;
class IGraphics;

// The audio thread writes some controls (the mono lamp's value, the page switch's
// hiding and greying) while the editor's thread draws them, so the value and the
// flags that cross threads are atomics. Everything else belongs to the editor's thread.
class IControl {
public:
  IControl(IEffectBase* plug, const IRect& rect, int paramIndex = -1, const IBlend& blend = IBlend());
  virtual ~IControl() = default;
  IControl(const IControl&) = delete;
  IControl& operator=(const IControl&) = delete;

  virtual void MouseDown(int x, int y, const IMouseMods& mods);
  virtual void MouseUp(int /*x*/, int /*y*/, const IMouseMods& /*mods*/) {}
  virtual void MouseDrag(int /*x*/, int /*y*/, int /*dX*/, int /*dY*/, const IMouseMods& /*mods*/) {}
  // Returns to the default value, once one is known.
  virtual void MouseDoubleClick(int x, int y, const IMouseMods& mods);
  virtual void MouseWheel(int /*x*/, int /*y*/, const IMouseMods& /*mods*/, int /*notches*/) {}
  virtual bool KeyDown(int /*x*/, int /*y*/, int /*key*/) { return false; }
  virtual void MouseOver(int /*x*/, int /*y*/, const IMouseMods& /*mods*/) {}
  virtual void MouseOut() {}
  virtual bool Draw(IGraphics& graphics) = 0;
  // Once per redraw tick, on the editor's thread, before the editor looks for dirty
  // controls: controls that show what the audio thread measured take it here.
  virtual void Animate() {}

  // A value from the plug-in: the first one also becomes the default; a change
  // marks the control dirty (for two redraws) without sending it back.
  virtual void UpdateFromPlug(double value);
  // A value the user typed or picked: like a change by the mouse, sent to the plug-in.
  virtual void TakeUserValue(double value);
  // value = the default (when known), sent to the plug-in.
  void TakeDefault();
  virtual void ReceiveEnteredText(const char* /*text*/) {}
  virtual void SetHidden(bool hide);
  // Greyed controls draw at a quarter weight and take no clicks.
  virtual void SetGreyed(bool grey);
  virtual bool HitTest(int x, int y) const;
  // Limits the value to [minValue, maxValue] and marks the control for drawing;
  // with pushToPlug the plug-in's parameter (and the host) follow the value.
  virtual void MarkDirty(bool pushToPlug);
  virtual void MarkClean();
  virtual bool NeedsRedraw() const { return (state.load() & kDirty) != 0; }

  int ParamIdx() const { return paramIndex; }
  double Value() const { return value.load(); }
  double DefaultValue() const { return defaultValue.load(); }
  bool IsHidden() const { return hidden.load(); }
  bool IsGreyed() const { return greyed.load(); }
  bool RedrawRequested() const { return (state.load() & kRedrawRequested) != 0; }
  bool DoubleClickAsSingle() const { return doubleClickAsSingle; }
  IEffectBase* GetPlug() const { return plug; }
  const IRect& GetRect() const { return rect; }
  const IRect& GetHitRect() const { return hitRect; }
  // The blend with the weight that greying gives.
  IBlend GetBlend() const { return IBlend(blendMethod, blendWeight.load()); }
  const IText& GetText() const { return text; }
  int EntryMaxChars() const { return entryMaxChars; }

  // Frame 1 to N of a strip for a normalized value (1 for a single image).
  static int FrameFor(const IBitmap& bitmap, double value);

protected:
  // Asks the editor for a menu or a text entry for the parameter, unless prompting
  // is disabled or there is no parameter.
  void OpenValuePrompt();
  void RequestRedraw() { state.fetch_or(kRedrawRequested); }
  void SetValue(double v) { value.store(v); }
  // The editor that owns this control, reached through the plug-in.
  IGraphics* Graphics() const;

  int entryMaxChars = 7;
  IText text;
  IEffectBase* plug;
  IRect rect;
  IRect hitRect;
  int paramIndex;
  double minValue = 0.0;
  double maxValue = 1.0;
  bool promptDisabled = true;
  bool doubleClickAsSingle = false;

private:
  enum : unsigned { kDirty = 1, kRedrawRequested = 2 };

  std::atomic<double> value{0.0};
  std::atomic<double> defaultValue{-1.0};  // negative: not known yet
  // Dirty and redraw-requested share one word so that cleaning cannot lose a
  // change marked by another thread in between.
  std::atomic<unsigned> state{kDirty};
  std::atomic<bool> hidden{false};
  std::atomic<bool> greyed{false};
  IBlend::Method blendMethod;
  std::atomic<float> blendWeight;
};

// A solid rectangle: the editor's background.
class IPanelControl : public IControl {
public:
  IPanelControl(IEffectBase* plug, const IRect& rect, const IColor& color);
  bool Draw(IGraphics& graphics) override;

private:
  IColor color;
};
