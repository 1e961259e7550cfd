// Counts heap allocations in a window of a test, to show that a path allocates nothing.
// The replacements of the global operators live alone here, out of reach of inlining.
#include "AllocationCounter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<bool> counting(false);
std::atomic<long> allocations(0);
} // namespace

long CountAllocations(bool start)
{
  if (start) allocations = 0;
  counting = start;
  return allocations.load();
}

void* operator new(std::size_t size)
{
  if (counting) ++allocations;
  void* memory = std::malloc(size ? size : 1);
  if (!memory) throw std::bad_alloc();
  return memory;
}

void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
