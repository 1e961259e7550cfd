// Small value types shared by the editor framework: rectangles, colours, blends,
// bitmap handles, text styles, mouse modifiers and key codes.
#pragma once

#include <cstdint>

class PIX_IBitmap;
class PIX_IFont;

// Right and bottom are exclusive for hit tests; only the all-zero rectangle is empty.
struct IRect {
  int32_t L = 0, T = 0, R = 0, B = 0;

  IRect() = default;
  IRect(int32_t l, int32_t t, int32_t r, int32_t b) : L(l), T(t), R(r), B(b) {}

  bool Empty() const { return L == 0 && T == 0 && R == 0 && B == 0; }
  int32_t W() const { return R - L; }
  int32_t H() const { return B - T; }
  // The redraw test: an edge touching this one's right or bottom edge counts.
  bool Intersects(const IRect& other) const
  {
    return !Empty() && !other.Empty() && R >= other.L && L < other.R && B >= other.T && T < other.B;
  }
  bool Contains(int32_t x, int32_t y) const { return !Empty() && L <= x && x < R && T <= y && y < B; }
  // Empty rectangles leave the other one as it is.
  IRect Union(const IRect& other) const;
  // Empty when either is empty or they do not meet (by Intersects).
  IRect Intersection(const IRect& other) const;
  bool operator==(const IRect& o) const { return L == o.L && T == o.T && R == o.R && B == o.B; }
  bool operator!=(const IRect& o) const { return !(*this == o); }
};

struct IColor {
  int32_t A = 255, R = 0, G = 0, B = 0;

  IColor() = default;
  IColor(int32_t a, int32_t r, int32_t g, int32_t b) : A(a), R(r), G(g), B(b) {}
  // The drawing library's pixel word: alpha on top, blue in the low byte.
  uint32_t Packed() const
  {
    return (uint32_t(A & 0xFF) << 24) | (uint32_t(R & 0xFF) << 16) | (uint32_t(G & 0xFF) << 8) | uint32_t(B & 0xFF);
  }
};

struct IBlend {
  enum Method : int32_t { None = 0, Clobber = 1, Add = 2, ColorDodge = 3 };
  Method method = None;
  float weight = 1.0f;

  IBlend() = default;
  IBlend(Method m, float w) : method(m), weight(w) {}
};

struct IBitmap {
  PIX_IBitmap* data = nullptr;  // not owned; belongs to the bitmap cache
  int32_t W = 0, H = 0;         // the whole image
  int32_t N = 1;                // frames
  bool framesAreHorizontal = false;
};

struct IText {
  enum Style : int32_t { Normal = 0, Bold = 1, Italic = 2 };
  enum Align : int32_t { Left = 0, Centre = 1, Right = 2 };

  char font[32] = "Verdana";
  int32_t size = 12;
  IColor color{255, 0, 0, 0};
  IColor entryBackground{255, 255, 255, 255};
  IColor entryForeground{255, 0, 0, 0};
  int32_t style = Normal;
  int32_t align = Centre;
  int32_t orientation = 0;  // degrees
  int32_t quality = 0;      // 0 default, 1 non-antialiased, 2 antialiased, 3 ClearType
  PIX_IFont* fontObject = nullptr;  // filled from the font cache on first use
};

struct IMouseMods {
  bool L = false, R = false, S = false, C = false, A = false;
};

// Codes handed to KeyDown.
enum IKeyCode : int32_t {
  kKeySpace = 0,
  kKeyUp = 1,
  kKeyDown = 2,
  kKeyLeft = 3,
  kKeyRight = 4,
  kKeyDigit0 = 5,   // to 14 for 9
  kKeyLetterA = 15  // to 40 for Z
};
