// Test hooks of the key event thread.
#pragma once

namespace events {

// Called on the key event thread just before it resets KeyEvent to wait, so
// that a test can place a stop request or a report exactly in that gap.
// Null (the default) calls nothing.
using KeyEventHook = void (*)();
void SetKeyEventBeforeResetHookForTesting(KeyEventHook hook);
// Called on the key event thread right after each delivery to the core
// returns, before the thread looks at its stop flag: a test can hold a
// given-up run there while the core's thread starts the next one.
void SetKeyEventAfterDeliveryHookForTesting(KeyEventHook hook);

// Sets the current run's KeyEventStop and signals its wake-up: the first half
// of StopKeyEventThread, without the wait.
void RequestKeyEventThreadStopForTesting();
// True while the current run is blocked in the synchronous delivery of a
// KeyNotify to the core's window.
bool KeyNotifyInFlightForTesting();

// Threads of runs that have not ended yet: the current one and any given-up
// one still on its way out.
int KeyEventThreadsRunningForTesting();

}  // namespace events
