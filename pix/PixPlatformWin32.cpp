// Windows side of the drawing library: DIB section bitmaps, "PNG" resources of
// the module, and GDI fonts and text.
#include "PixPlatform.h"
#include "PixPng.h"
#include "PixSysBitmap.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <vector>

PIX_SysBitmap::PIX_SysBitmap(int32_t w, int32_t h)
{
  dc = CreateCompatibleDC(nullptr);
  Resize(w, h);
}

PIX_SysBitmap::~PIX_SysBitmap()
{
  ReleaseSection();
  if (dc)
    DeleteDC(static_cast<HDC>(dc));
}

void PIX_SysBitmap::ReleaseSection()
{
  if (section)
  {
    SelectObject(static_cast<HDC>(dc), static_cast<HGDIOBJ>(previousObject));
    DeleteObject(static_cast<HGDIOBJ>(section));
  }
  section = nullptr;
  previousObject = nullptr;
  bits = nullptr;
}

bool PIX_SysBitmap::CanCreateSection() const
{
  return dc != nullptr;
}

bool PIX_SysBitmap::CreateSection()
{
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = rowStride;
  info.bmiHeader.biHeight = -allocatedHeight; // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* newBits = nullptr;
  HBITMAP newSection = CreateDIBSection(static_cast<HDC>(dc), &info, DIB_RGB_COLORS, &newBits, nullptr, 0);
  if (!newSection || !newBits)
  {
    if (newSection)
      DeleteObject(newSection);
    return false;
  }
  section = newSection;
  bits = static_cast<uint32_t*>(newBits);
  previousObject = SelectObject(static_cast<HDC>(dc), newSection);
  return true;
}

// ---- "PNG" resources of the module --------------------------------------------

PIX_MemBitmap* LoadPngResource(void* module, uint32_t id)
{
  const WORD resourceId = WORD(id & 0xFFFF);
  if (resourceId == 0) // MAKEINTRESOURCE(0) would be a null name
    return nullptr;
  HMODULE instance = static_cast<HMODULE>(module);
  HRSRC resource = FindResourceA(instance, MAKEINTRESOURCEA(resourceId), "PNG");
  if (!resource)
    return nullptr;
  const DWORD size = SizeofResource(instance, resource);
  if (size <= 7)
    return nullptr;
  HGLOBAL loaded = LoadResource(instance, resource);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data)
    return nullptr;
  return LoadPngFromMemory(data, size);
}

// ---- GDI fonts and text -------------------------------------------------------

namespace {

HDC AsDC(void* dc) { return static_cast<HDC>(dc); }
HFONT AsFont(PIX_PlatformFont font) { return static_cast<HFONT>(font); }
COLORREF ColourOf(uint32_t pixel) { return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF); }

// True when the text holds at least one complete multi-byte UTF-8 sequence.
bool HasUtf8Sequence(const char* text, int32_t count)
{
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  for (int32_t i = 0; i < count; ++i)
  {
    const int following = bytes[i] >= 0xF0 ? 3 : bytes[i] >= 0xE0 ? 2 : bytes[i] >= 0xC2 ? 1 : 0;
    if (following == 0 || bytes[i] > 0xF4 || i + following >= count)
      continue;
    bool complete = true;
    for (int k = 1; k <= following; ++k)
      complete = complete && bytes[i + k] >= 0x80 && bytes[i + k] <= 0xBF;
    if (complete)
      return true;
  }
  return false;
}

} // namespace

PIX_PlatformFont PIX_CreatePlatformFont(const PIX_FontRequest& request)
{
  return CreateFontA(request.height, 0, request.escapement, request.escapement, request.weight,
                     request.italic ? TRUE : FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DWORD(request.quality), DEFAULT_PITCH, request.faceName);
}

void PIX_DeletePlatformFont(PIX_PlatformFont font)
{
  if (font)
    DeleteObject(AsFont(font));
}

void PIX_PrepareGlyphScratch(PIX_SysBitmap& scratch)
{
  HDC dc = AsDC(scratch.DeviceContext());
  if (!dc)
    return;
  SetTextColor(dc, RGB(255, 255, 255));
  SetBkMode(dc, OPAQUE);
  SetBkColor(dc, RGB(0, 0, 0));
}

int32_t PIX_FontCellHeight(PIX_PlatformFont font, PIX_SysBitmap& scratch)
{
  HDC dc = AsDC(scratch.DeviceContext());
  if (!dc || !font)
    return 0;
  HGDIOBJ previous = SelectObject(dc, AsFont(font));
  TEXTMETRICA metrics = {};
  const BOOL ok = GetTextMetricsA(dc, &metrics);
  SelectObject(dc, previous);
  return ok ? int32_t(metrics.tmHeight) : 0;
}

bool PIX_MeasureCharacter(PIX_PlatformFont font, PIX_SysBitmap& scratch, uint16_t code, int32_t* width,
                          int32_t* height)
{
  HDC dc = AsDC(scratch.DeviceContext());
  if (!dc || !font)
    return false;
  HGDIOBJ previous = SelectObject(dc, AsFont(font));
  wchar_t character = wchar_t(code);
  RECT box = {0, 0, 0, 0};
  const int result = DrawTextW(dc, &character, 1, &box, DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE);
  SelectObject(dc, previous);
  *width = box.right - box.left;
  *height = box.bottom - box.top;
  return result != 0;
}

void PIX_DrawCharacter(PIX_PlatformFont font, PIX_SysBitmap& scratch, uint16_t code, int32_t x, int32_t boxWidth,
                       int32_t boxHeight)
{
  HDC dc = AsDC(scratch.DeviceContext());
  if (!dc || !font)
    return;
  HGDIOBJ previous = SelectObject(dc, AsFont(font));
  wchar_t character = wchar_t(code);
  RECT box = {x, 0, boxWidth, boxHeight};
  DrawTextW(dc, &character, 1, &box, DT_NOPREFIX | DT_NOCLIP | DT_SINGLELINE);
  SelectObject(dc, previous);
  GdiFlush(); // the coverage is read straight from the section's memory
}

bool PIX_RunsUnderWine()
{
  static int known = -1;
  if (known < 0)
  {
    HKEY key = nullptr;
    known = RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Wine", &key) == ERROR_SUCCESS ? 1 : 0;
    if (key)
      RegCloseKey(key);
  }
  return known == 1;
}

bool PIX_PlatformDrawText(PIX_PlatformFont font, void* deviceContext, int32_t targetWidth, int32_t targetHeight,
                          const char* text, int32_t count, PIX_Rect* rect, uint32_t format,
                          const PIX_TextPaint& paint, int32_t* height)
{
  HDC dc = AsDC(deviceContext);
  if (!dc || !font)
    return false;

  // UTF-8 goes out as wide text; anything that does not convert strictly is drawn
  // byte for byte.
  wchar_t local[1024];
  std::vector<wchar_t> large;
  const wchar_t* wide = nullptr;
  int wideCount = 0;
  if (HasUtf8Sequence(text, count))
  {
    const int needed = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, count, nullptr, 0);
    if (needed > 0)
    {
      wchar_t* buffer = local;
      int capacity = 1024;
      if (needed > 999)
      {
        large.resize(size_t(needed) + 32);
        buffer = large.data();
        capacity = int(large.size());
      }
      wideCount = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, count, buffer, capacity);
      if (wideCount > 0)
        wide = buffer;
    }
  }

  HGDIOBJ previousFont = SelectObject(dc, AsFont(font));
  SetTextColor(dc, ColourOf(paint.foreground));
  SetBkMode(dc, paint.backgroundMode);
  if (paint.backgroundMode == OPAQUE)
    SetBkColor(dc, ColourOf(paint.background));

  const bool measuring = (format & 0x400) != 0;
  HRGN savedClip = nullptr;
  bool hadClip = false;
  if (!measuring)
  {
    savedClip = CreateRectRgn(0, 0, 0, 0);
    hadClip = savedClip && GetClipRgn(dc, savedClip) == 1;
    IntersectClipRect(dc, 0, 0, targetWidth, targetHeight);
  }

  RECT box = {rect->L, rect->T, rect->R, rect->B};
  const UINT flags = UINT(format) | DT_NOPREFIX;
  const int result = wide ? DrawTextW(dc, wide, wideCount, &box, flags) : DrawTextA(dc, text, count, &box, flags);
  if (measuring)
  {
    // Only the size changes: the rectangle keeps its top-left corner.
    rect->R = rect->L + (box.right - box.left);
    rect->B = rect->T + (box.bottom - box.top);
  }
  else
  {
    SelectClipRgn(dc, hadClip ? savedClip : nullptr);
    GdiFlush();
  }
  if (savedClip)
    DeleteObject(savedClip);
  SelectObject(dc, previousFont);
  *height = result;
  return true;
}
