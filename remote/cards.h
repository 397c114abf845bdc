// The cards command: which shipped definition fits each capture device, and
// putting the fitting one in place for the plug-in.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "remote/known_cards.h"

namespace remote {

struct CardsRequest {
  int32_t device = 0;       // the device to install for; -1: none, only the list
  std::string definitions;  // the folder of the known cards' definitions, ending in a separator
  std::string install;      // the plug-in's file; empty: only list
  std::string choice;       // the definition to install when several fit
  bool list = true;         // false: only what the install did
};

struct CardsReport {
  int status = 0;  // 0 done, 1 the device is not known, 2 failed
  std::string out, err;
  // Per device in the driver's order, the known definitions that fit it.
  std::vector<std::vector<KnownDefinition>> fits;
};

// Enumerates the driver's devices as the plug-in does, without opening one.
CardsReport RunCards(const CardsRequest& request);

}  // namespace remote
