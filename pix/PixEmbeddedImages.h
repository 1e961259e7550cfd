// The table of images a Linux binary carries, written at build time by
// pix_embed_png_images (PixImages.cmake).
#pragma once

#include <cstdint>

struct PIX_EmbeddedImage
{
  uint32_t id;
  const unsigned char* data;
  uint32_t size;
};
