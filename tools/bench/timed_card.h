// The simulated card seen through a thin wrapper of its driver interfaces
// that notes, on the polling thread, when a whole sample has been read.
#pragma once
#include <cstdint>

#include "tools/bench/figures.h"

namespace bench {

// Registers the wrapper with the COM substitute ahead of the simulated card,
// so that the plug-in opens the card through it. Call before sim::control().
void InstallTimedCard();

// Completed 32-pin samples so far.
uint64_t SamplesRead();
// The steady-clock time (ns) at which the newest sample that differed from
// the one before it had been read completely, and its value.
int64_t ChangedSampleNs();
uint32_t ChangedSample();

}  // namespace bench
