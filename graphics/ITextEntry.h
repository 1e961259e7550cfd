// A text entry that the editor draws itself, for platforms without a native edit
// field. It keeps the native field's states, its character filter and its
// commit and cancel rules; the platform feeds it keys and paces it by its timer.
#pragma once

#include "graphics/IGraphicsTypes.h"

#include <string>

class IControl;
class IGraphics;
class IParam;

class ITextEntry {
public:
  enum State : int32_t {
    kIdle = 0,             // open, nothing pending
    kFocused = 1,          // freshly opened: a mouse press now cancels
    kRedrawn = 2,          // the editor was redrawn while the entry was open
    kCancelRequested = 3,  // applied on the next timer tick
    kCommitRequested = 4   // applied on the next timer tick
  };

  // False (nothing opened) for a null control or while an entry is open. The
  // initial text is selected, so the first typed character replaces it.
  bool Open(IControl* control, const IText& text, const IRect& rect, const char* initialText, IParam* param);
  // Forgets the entry and its control; the state returns to idle.
  void Close();
  bool IsOpen() const { return control != nullptr; }

  int32_t GetState() const { return state; }
  void SetState(int32_t newState) { state = newState; }

  // One typed character, kept only when the parameter's kind allows it and the
  // text is shorter than the control's limit.
  void TypeCharacter(char c);
  void Backspace();
  const std::string& Text() const { return text; }

  // The typed value goes to the control (through its parameter's rules when it
  // has one, as raw text otherwise). The entry stays open; the caller closes it.
  void Commit();

  // The field covers one pixel more than the rectangle asked for on the right
  // and bottom, as the native field does.
  IRect FieldRect() const { return IRect(rect.L, rect.T, rect.R + 1, rect.B + 1); }
  IControl* Control() const { return control; }
  // Draws the field into the editor's surface.
  void Draw(IGraphics& graphics);

private:
  bool Allows(char c) const;

  IControl* control = nullptr;
  IParam* param = nullptr;
  IText style;
  IRect rect;
  std::string text;
  int32_t state = kIdle;
  int maxChars = 0;
  bool allSelected = false;
};
