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

// Every form that pairs with the deletes below is replaced too, so that memory from
// a non-throwing or array new is never handed to a delete of another allocator.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
  if (counting) ++allocations;
  return std::malloc(size ? size : 1);
}

void* operator new[](std::size_t size) { return operator new(size); }
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }

void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
