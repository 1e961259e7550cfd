// A small shared module that carries its own images under ids the test program
// also uses, to show that each module finds its own.
#include "PixPng.h"

#include <cstdint>
#include <memory>

#ifdef _WIN32
#include <windows.h>
#define IMAGE_MODULE_EXPORT extern "C" __declspec(dllexport)
#else
#define IMAGE_MODULE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

void* OwnModule()
{
#ifdef _WIN32
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&OwnModule), &module);
  return module;
#else
  return nullptr; // each binary has its own table
#endif
}

} // namespace

// Width, height and first pixel of the module's image, all 0 when it has none.
IMAGE_MODULE_EXPORT void ImageModuleDescribe(uint32_t id, int32_t* width, int32_t* height, uint32_t* firstPixel)
{
  std::unique_ptr<PIX_MemBitmap> bitmap(LoadPngResource(OwnModule(), id));
  *width = bitmap ? bitmap->Width() : 0;
  *height = bitmap ? bitmap->Height() : 0;
  *firstPixel = bitmap ? bitmap->Pixels()[0] : 0;
}
