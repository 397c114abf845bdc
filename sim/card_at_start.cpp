// Linked into a native program that stands for a Windows one with a real
// driver (the remote tool): the simulated card is the driver's COM server
// from before main, so the program itself knows nothing of it.
#include "sim/sim_control.h"

namespace {

[[maybe_unused]] const bool card_installed = sim::install();

}  // namespace
