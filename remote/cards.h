// The cards command: which shipped definition fits each capture device, and
// putting the fitting one in place for the plug-in.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "remote/command.h"
#include "remote/io.h"
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

// What the setup dialog saves when the person chooses this device and the
// definition file (a name in the plug-in's folder) and closes it, into the
// plug-in's settings file. False when the file could not be written.
bool SelectDefinition(const std::string& settings_path, int32_t device, const std::string& file);

// The cards command: RunCards with the options, its text on out and err.
int CardsCommand(const Options& o, Output& out, Output& err);

}  // namespace remote
