#pragma once

namespace platform {

// Message pumps for the loops that wait on the network (flush, wait for close, wait until
// ready). They run the calling thread's Qt event loop, so messages and socket notices of
// every window on the thread are served inside them.

// Serves what is pending; true when anything was served.
bool ProcessMessage();

// Serves everything that is pending, without waiting.
void ProcessMessages();

// Sleeps until something arrives or maxWaitMs passes, then serves what is pending. Waiting
// loops call this instead of spinning.
void WaitForMessages(int maxWaitMs);

// True once the application has been asked to quit (the quit message of the waiting loops).
bool ApplicationTerminated();

} // namespace platform
