#pragma once

#include <memory>

class TGIFPainter;

// An asynchronous painter about to start. The first one makes the hand-off queue's wake-up
// (a message window on this, the user-interface thread) unless one was set, and the
// application's quit then stops every painter and serves the queue until all have left.
void GifRegisterPainter(const std::shared_ptr<TGIFPainter>& painter);

// Stops every asynchronous painter of every picture and serves the hand-offs until each
// painter thread has left.
void GifStopAllPainters();
