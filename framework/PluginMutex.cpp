// The recursive mutex of one plug-in instance and its scope guard.
#include "framework/PluginMutex.h"

#ifdef _WIN32
#include <windows.h>

struct PluginMutex::Impl {
  CRITICAL_SECTION section;
};

PluginMutex::PluginMutex() : impl(new Impl) { InitializeCriticalSection(&impl->section); }
PluginMutex::~PluginMutex()
{
  DeleteCriticalSection(&impl->section);
  delete impl;
}
void PluginMutex::Lock() { EnterCriticalSection(&impl->section); }
void PluginMutex::Unlock() { LeaveCriticalSection(&impl->section); }

#else
#include <mutex>

struct PluginMutex::Impl {
  std::recursive_mutex mutex;
};

PluginMutex::PluginMutex() : impl(new Impl) {}
PluginMutex::~PluginMutex() { delete impl; }
void PluginMutex::Lock() { impl->mutex.lock(); }
void PluginMutex::Unlock() { impl->mutex.unlock(); }

#endif
