// Platform-neutral core of the plug-in editor: owns the controls and the off-screen
// surface, draws dirty regions, routes mouse events and carries parameter values
// both ways between the controls and the plug-in. Platforms derive from it.
#pragma once

#include "graphics/IGraphicsTypes.h"
#include "graphics/IMenu.h"

#include <memory>
#include <string>
#include <vector>

class IControl;
class IEffectBase;
class IParam;
class PIX_MemBitmap;
class PIX_SysBitmap;

class IGraphics {
public:
  IGraphics(IEffectBase* plug, int width, int height, int fps);
  // Deletes every control, then the surfaces.
  virtual ~IGraphics();
  IGraphics(const IGraphics&) = delete;
  IGraphics& operator=(const IGraphics&) = delete;

  // ---- Platform operations ----
  virtual bool PresentToScreen(const IRect& area) = 0;
  virtual bool MeasureText(IText& text, const char* string, IRect& rect);
  virtual void CancelTextEntry() = 0;
  virtual void Resize(int width, int height);
  virtual bool HasWindow() { return GetWindow() != nullptr; }
  // The kind of host window this platform opens its window in ("HWND",
  // "X11EmbedWindowID"), or null when it has no window to show: wrappers offer an
  // editor to hosts only when this is set.
  virtual const char* WindowPlatformType() const { return nullptr; }
  virtual const char* GetDrawingApiName() { return ""; }
  virtual int ShowAlert(const char* text, const char* caption, int type) = 0;
  // The menu that holds the chosen item (with chosenItemIndex set), or null.
  virtual IMenu* ShowPopupMenu(IMenu& menu, const IRect& anchor) = 0;
  virtual void OpenTextEntry(IControl* control, const IText& text, const IRect& rect, const char* initialText,
                             IParam* param) = 0;
  virtual void GetHostFolder(std::string* out) = 0;
  virtual void GetModuleFolder(std::string* out) = 0;
  virtual void GetDesktopFolder(std::string* out) = 0;
  virtual void GetAppDataFolder(std::string* out, bool system) = 0;
  virtual void GetSafeAppDataFolder(std::string* out) = 0;
  virtual void AskForFile(std::string* file, int action, std::string* folder, const char* extensions) = 0;
  virtual bool AskForColor(IColor& color, const char* title) = 0;
  virtual bool OpenWebAddress(const char* url, const char* title, const char* confirmation, const char* failure) = 0;
  virtual void* OpenChildWindow(void* /*parent*/, void* /*parentControl*/) { return nullptr; }
  virtual void* OpenWindow(void* parent) = 0;
  virtual void CloseWindow() = 0;
  virtual void* GetWindow() = 0;
  virtual bool ReadClipboardText(std::string* out) = 0;
  virtual void HideCursor() {}
  virtual void RestoreCursor() {}
  // A new bitmap of the module's image id (the caller owns it), or null.
  virtual PIX_IBitmap* LoadPlatformBitmap(int resourceId, const char* fileName) = 0;

  // ---- Pacing by the host, for platforms without a timer of their own ----
  // The descriptor that becomes readable when window events wait, or -1 when the
  // platform needs no pacing from the host (or has no window open).
  virtual int WindowEventDescriptor() const { return -1; }
  // Handles the window events that wait; never blocks.
  virtual void HandleWindowEvents() {}
  // One redraw tick at the editor's frame rate.
  virtual void TimerTick() {}
  // A host's periodic idle call: the waiting events, and the redraw tick when due.
  virtual void Idle() {}

  // ---- Controls ----
  // Takes ownership; returns the control's index, or -1 for a null control.
  int AddControl(IControl* control);
  // An opaque-or-not panel of the editor's size at index 0, below every other control.
  void AddBackgroundPanel(const IColor& color);
  int ControlCount() const { return static_cast<int>(controls.size()); }
  // Null for an index outside the list.
  IControl* GetControl(int index) const;

  // Decoded once per process through the shared cache; a missing image gives a
  // bitmap with no data and size 0, which draws nothing.
  IBitmap LoadBitmap(int resourceId, const char* fileName, int frames = 1, bool framesAreHorizontal = false);
  // Makes the surface of the editor's size (and the scratch bitmap).
  virtual void CreateDrawSurfaces();

  // ---- Redraw cycle ----
  // Lets every control animate, then unites the rectangles of the dirty controls into
  // rect; false when none is dirty. Platforms call it once per redraw tick.
  bool CollectDirty(IRect& rect);
  // Draws every visible control that meets area, bottom to top, cleans them all
  // and presents the area.
  bool Draw(const IRect& area);

  // ---- Drawing primitives for controls ----
  bool DrawBitmap(const IBitmap& bitmap, const IRect& dest, int srcX, int srcY, const IBlend* blend);
  // frame counts from 1.
  bool DrawBitmapFrame(const IBitmap& bitmap, const IRect& dest, int frame, const IBlend* blend);
  bool FillRect(const IColor& color, const IRect& rect, const IBlend* blend);
  // With measure, rect is rewritten to the text's extent and nothing is drawn.
  bool DrawText(IText& text, const char* string, IRect& rect, bool measure = false);

  // ---- Parameters ----
  // Every control tied to paramIndex gets the value through UpdateFromPlug; a
  // plain value (normalized false) is first mapped with the parameter's curve.
  virtual void SetControlsFromParameter(int paramIndex, double value, bool normalized);
  // A menu of the display texts for enumerations and labelled switches, otherwise
  // a text entry with the current value.
  void PromptForParameterValue(IControl* control, IParam* param, const IRect& rect);

  // ---- Events, in window pixels ----
  void MouseDown(int x, int y, const IMouseMods& mods);
  void MouseUp(int x, int y, const IMouseMods& mods);
  // True when the control took the double click as a press (the window then captures the mouse).
  bool MouseDoubleClick(int x, int y, const IMouseMods& mods);
  void MouseWheel(int x, int y, const IMouseMods& mods, int notches);
  bool KeyDown(int x, int y, int key);
  // Mouse movement with a button down: the captured control gets a drag by the
  // distance from the last position, when the pointer moved.
  void MouseMovedWithButton(int x, int y, const IMouseMods& mods);

  IEffectBase* GetPlug() const { return plug; }
  int Width() const { return width; }
  int Height() const { return height; }
  int FPS() const { return fps; }
  int CapturedControl() const { return capturedControl; }
  // The off-screen surface, null before CreateDrawSurfaces.
  PIX_SysBitmap* Surface() const { return surface.get(); }

protected:
  // The topmost control under the point that is neither hidden nor greyed; -1 for none.
  int FindControl(int x, int y) const;
  void ReleaseCapture();
  void DeleteControls();

  std::vector<IControl*> controls;
  IEffectBase* plug;
  IRect paintRect;
  bool cursorIsHidden = false;
  int hiddenCursorX = -1;
  int hiddenCursorY = -1;
  std::unique_ptr<PIX_SysBitmap> surface;
  std::unique_ptr<PIX_MemBitmap> scratchBitmap;
  int width;
  int height;
  int fps;
  int capturedControl = -1;
  int lastX = 0;
  int lastY = 0;
};

// The editor platform of the target being built: the window-less one in tools and
// tests, the platform's window in the modules (the library a target links decides).
IGraphics* CreatePlatformGraphics(IEffectBase* plug, int width, int height, int fps);
