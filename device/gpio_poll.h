// The GPIO polling thread and its start and stop.
#pragma once

bool StartPolling();
void StopPolling();
unsigned GpioPollThread(void* unused);
