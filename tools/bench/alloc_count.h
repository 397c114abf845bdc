// Heap allocations counted per thread role: the benchmark replaces the global
// operator new, so every allocation in the process passes through here.
#pragma once
#include <cstdint>

namespace bench {

enum class Role : int { Other = 0, Core = 1, Poll = 2, kCount = 3 };

// Marks the calling thread. Unmarked threads count as Other (the key event
// thread while the plug-in runs).
void MarkThread(Role role);

// Counting is off until started; Start clears the counters.
void StartCounting();
void StopCounting();
uint64_t Allocations(Role role);
uint64_t TotalAllocations();

// Records the call stacks of the first few counted allocations.
void TraceAllocations(bool on);
// Prints the recorded stacks, resolved to source lines where possible.
void PrintAllocationTraces();

}  // namespace bench
