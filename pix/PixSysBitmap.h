// The bitmap the window system can draw on: a DIB section with its memory device
// context on Windows, a plain aligned surface elsewhere (no device context there).
#pragma once

#include "PixBitmap.h"

class PIX_SysBitmap : public PIX_IBitmap
{
public:
  PIX_SysBitmap(int32_t width = 0, int32_t height = 0);
  ~PIX_SysBitmap() override;
  PIX_SysBitmap(const PIX_SysBitmap&) = delete;
  PIX_SysBitmap& operator=(const PIX_SysBitmap&) = delete;

  uint32_t* Pixels() override { return bits; }
  int32_t Width() const override { return width; }
  int32_t Height() const override { return height; }
  int32_t RowStride() const override { return rowStride; }
  bool IsBottomUp() const override { return false; }
  bool Resize(int32_t width, int32_t height) override;
  void* DeviceContext() override { return dc; }
  uint32_t ExtendedQuery() override { return 0; }

  // Rows actually allocated; shrinking keeps the larger allocation.
  int32_t AllocatedHeight() const { return allocatedHeight; }

private:
  // Platform side: whether a section can be made at all, making one of
  // rowStride × allocatedHeight pixels (setting bits), and releasing it.
  bool CanCreateSection() const;
  bool CreateSection();
  void ReleaseSection();

  int32_t width = 0;
  int32_t height = 0;
  void* dc = nullptr;
  uint32_t* bits = nullptr;
  int32_t rowStride = 0;
  int32_t allocatedHeight = 0;
  void* section = nullptr;
  void* previousObject = nullptr;
};
