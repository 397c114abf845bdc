// The DLL entry routine: all plug-in state comes into being in Open and Start.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
