// Test hook of the key event thread.
#pragma once

// Called on the key event thread just before it resets KeyEvent to wait, so
// that a test can place a stop request or a report exactly in that gap.
// Null (the default) calls nothing.
using KeyEventHook = void (*)();
void SetKeyEventBeforeResetHookForTesting(KeyEventHook hook);
