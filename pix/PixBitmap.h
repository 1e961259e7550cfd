// 32-bit pixel surfaces: the abstract bitmap interface and the plain heap bitmap.
// Pixel word: alpha in the top byte, then red, green, blue; not premultiplied.
#pragma once

#include <cstddef>
#include <cstdint>

class PIX_IBitmap
{
public:
  virtual ~PIX_IBitmap() = default;
  virtual uint32_t* Pixels() = 0;
  virtual int32_t Width() const = 0;
  virtual int32_t Height() const = 0;
  // Pixels per row; rows are this far apart in memory.
  virtual int32_t RowStride() const = 0;
  virtual bool IsBottomUp() const = 0;
  // True when anything changed.
  virtual bool Resize(int32_t width, int32_t height) = 0;
  // Window-system drawing handle, or null when the bitmap has none.
  virtual void* DeviceContext() = 0;
  virtual uint32_t ExtendedQuery() = 0;
};

// Largest pixel buffer a bitmap allocates: keeps every size computation, the
// 25 % growth slack included, inside 32 bits.
constexpr uint64_t PIX_MaxBitmapBytes = 0x7FFFFFFFu;

class PIX_MemBitmap : public PIX_IBitmap
{
public:
  PIX_MemBitmap(int32_t width = 0, int32_t height = 0);
  ~PIX_MemBitmap() override;
  PIX_MemBitmap(const PIX_MemBitmap&) = delete;
  PIX_MemBitmap& operator=(const PIX_MemBitmap&) = delete;

  uint32_t* Pixels() override;
  int32_t Width() const override { return width; }
  int32_t Height() const override { return height; }
  int32_t RowStride() const override { return (width + 3) & ~rowAlignMask; }
  bool IsBottomUp() const override { return false; }
  bool Resize(int32_t width, int32_t height) override;
  void* DeviceContext() override { return nullptr; }
  uint32_t ExtendedQuery() override { return 0; }

  // Bytes of pixels the current allocation holds (0 without one).
  uint32_t AllocatedBytes() const { return allocatedBytes; }

private:
  void Release();

  void* buffer = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  uint32_t allocatedBytes = 0;
  int32_t rowAlignMask = 3;
};
