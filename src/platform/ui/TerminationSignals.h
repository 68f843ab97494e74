#pragma once

namespace platform {

// Turns SIGTERM, SIGINT and SIGHUP (a logout, a kill, Ctrl+C in the terminal, a closed
// terminal) into an orderly quit of the event loop, so the program's shutdown runs and
// its settings are written. Call once, after the application object exists.
void quitOnTerminationSignals();

} // namespace platform
