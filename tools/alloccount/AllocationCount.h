// Counts the allocations of a program: linking this unit replaces the global
// operator new with one that counts (under AddressSanitizer, whose allocator serves
// every allocation, the sanitizer's malloc hook counts instead: replacing operator
// new there would mix two allocators). For the benchmark of allocations a line and
// the test that a line adds none.
#pragma once

namespace tarvix {

// Whether allocations are counted (the sanitizer may refuse its hook).
bool AllocationsCounted();
// The allocations made so far.
long long AllocationCount();

}  // namespace tarvix
