// Functions newer than Windows XP, found at run time: an import of one would
// keep the image from loading on XP, so each caller keeps an XP path beside it.
#pragma once
#include <windows.h>

namespace plat::win32 {

// The address of NAME in the loaded system DLL MODULE, or null where this
// Windows lacks it.
FARPROC newer_function(const char* module, const char* name);

}  // namespace plat::win32
