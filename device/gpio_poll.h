// The GPIO polling thread and its start and stop.
#pragma once

namespace device {

bool StartPolling();
void StopPolling();
unsigned GpioPollThread(void* unused);

}  // namespace device
