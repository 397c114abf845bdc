// The plug-in's description: what Open returns, the caption of the version
// box and of the setup dialog. One array, so every use has one address.
#pragma once

namespace setup {

inline constexpr char PluginDescription[] = "Philips SAA713x TV tuner";

}  // namespace setup
