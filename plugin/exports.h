// The plug-in's exported entry points.
#pragma once
#include <atomic>

#include "platform/types.h"
#include "plugin/core_interface.h"
#include "setup/form_window.h"

#if defined(_WIN32)
#define SAA_STDCALL __stdcall
#else
#define SAA_STDCALL
#endif

#if defined(_WIN32)
#define SAA_EXPORT
#else
#define SAA_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {
SAA_EXPORT const char* SAA_STDCALL Open(const char* name, plat::WindowHandle window, const void* info);
SAA_EXPORT void Close();
SAA_EXPORT void Start();
SAA_EXPORT void Stop();
SAA_EXPORT void Setup();
// The setup dialog while it exists; read by the key event thread.
SAA_EXPORT extern std::atomic<setup::SetupFormBase*> _SetupForm;
}
