// The editor-drawn text entry: filter, commit rules and drawing.
#include "graphics/ITextEntry.h"

#include "framework/IParam.h"
#include "graphics/IControl.h"
#include "graphics/IGraphics.h"

#include <cstdlib>
#include <cstring>

namespace {
// The native field reads at most this many characters back.
constexpr size_t kReadLimit = 31;
}  // namespace

bool ITextEntry::Open(IControl* newControl, const IText& newStyle, const IRect& newRect, const char* initialText,
                      IParam* newParam)
{
  if (!newControl || IsOpen()) return false;
  control = newControl;
  param = newParam;
  style = newStyle;
  rect = newRect;
  maxChars = newControl->EntryMaxChars();
  text = initialText ? initialText : "";
  if (maxChars >= 0 && text.size() > size_t(maxChars)) text.resize(size_t(maxChars));
  allSelected = true;
  state = kFocused;
  return true;
}

void ITextEntry::Close()
{
  control = nullptr;
  param = nullptr;
  text.clear();
  allSelected = false;
  state = kIdle;
}

bool ITextEntry::Allows(char c) const
{
  if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
  if (!param) return true;
  // Numbers only: signs and digits, and the full stop for real-valued parameters.
  const bool digitOrSign = (c >= '0' && c <= '9') || c == '+' || c == '-';
  switch (param->Kind()) {
  case ParamKind::Double: return digitOrSign || c == '.';
  case ParamKind::Bool:
  case ParamKind::Enum: return digitOrSign;
  default: return true;
  }
}

void ITextEntry::TypeCharacter(char c)
{
  if (!IsOpen() || !Allows(c)) return;
  if (allSelected) text.clear();
  allSelected = false;
  if (maxChars >= 0 && text.size() >= size_t(maxChars)) return;
  text += c;
}

void ITextEntry::Backspace()
{
  if (!IsOpen()) return;
  if (allSelected)
    text.clear();
  else if (!text.empty())
    text.pop_back();
  allSelected = false;
}

void ITextEntry::Commit()
{
  if (!IsOpen()) return;
  const std::string typed = text.substr(0, kReadLimit);
  if (!param) {
    control->ReceiveEnteredText(typed.c_str());
    return;
  }
  double value = 0.0;
  if (param->Kind() == ParamKind::Bool || param->Kind() == ParamKind::Enum) {
    double found = 0.0;
    if (param->LookupDisplayText(typed.c_str(), &found)) value = double(int(found));
  } else {
    value = std::strtod(typed.c_str(), nullptr);
    if (param->NegateDisplay()) value = -value;
  }
  control->TakeUserValue(param->NormalizedOf(value));
}

void ITextEntry::Draw(IGraphics& graphics)
{
  if (!IsOpen()) return;
  const IRect field = FieldRect();
  IColor background = style.entryBackground;
  background.A = 255;
  graphics.FillRect(background, field, nullptr);
  IText face = style;
  face.color = style.entryForeground;
  face.color.A = 255;
  IRect box = field;
  if (allSelected && !text.empty()) {
    // Selected text shows inverted, as a native field shows its selection.
    IRect extent = box;
    graphics.MeasureText(face, text.c_str(), extent);
    graphics.FillRect(style.entryForeground, IRect(extent.L, field.T + 1, extent.R, field.B - 1), nullptr);
    face.color = background;
  }
  graphics.DrawText(face, text.c_str(), box);
  if (!allSelected) {
    // The caret after the last character.
    IRect extent = field;
    int caretX = field.L + 1;
    if (!text.empty() && graphics.MeasureText(face, text.c_str(), extent)) caretX = extent.R;
    if (text.empty() && style.align == IText::Centre) caretX = (field.L + field.R) / 2;
    if (text.empty() && style.align == IText::Right) caretX = field.R - 2;
    graphics.FillRect(style.entryForeground, IRect(caretX, field.T + 2, caretX + 1, field.B - 2), nullptr);
  }
}
