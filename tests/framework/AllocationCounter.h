// Counts heap allocations in a window of a test, to show that a path allocates nothing.
#pragma once

// Starting resets the count; stopping returns the allocations made since the start.
long CountAllocations(bool start);
