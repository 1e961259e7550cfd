// The recursive mutex of one plug-in instance and its scope guard.
#pragma once

// A Win32 critical section on Windows, a std::recursive_mutex elsewhere; the
// same thread may take it again (state loading inside a dispatcher call).
class PluginMutex {
public:
  PluginMutex();
  ~PluginMutex();
  PluginMutex(const PluginMutex&) = delete;
  PluginMutex& operator=(const PluginMutex&) = delete;

  void Lock();
  void Unlock();

private:
  struct Impl;
  Impl* impl;
};

class PluginLock {
public:
  explicit PluginLock(PluginMutex& mutex) : mutex(mutex) { mutex.Lock(); }
  ~PluginLock() { mutex.Unlock(); }
  PluginLock(const PluginLock&) = delete;
  PluginLock& operator=(const PluginLock&) = delete;

private:
  PluginMutex& mutex;
};
