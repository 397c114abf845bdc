// The thread that turns reports from the press slot into key notifications.
#pragma once
#include <atomic>
#include <cstdint>

unsigned KeyEventThread(void* unused);

// Start bumps it before it creates a thread; a thread whose generation is no
// longer current ends at once.
extern std::atomic<uint32_t> KeyEventGeneration;

// True while the key event thread is blocked in the synchronous delivery of a
// KeyNotify to the core's window.
bool KeyNotifyInFlight();
