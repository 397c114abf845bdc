// What OpenDevice's negative codes mean: one table for the plug-in's message
// box and the remote tool's console.
#pragma once
#include <cstdint>

namespace device {

// The driver's words for the message box (-1 and -7 read the same); "" for
// a code OpenDevice never returns.
const char* OpenErrorText(int32_t code);
// The same failure said plainly, for a person at a console.
const char* OpenErrorSentence(int32_t code);

}  // namespace device
