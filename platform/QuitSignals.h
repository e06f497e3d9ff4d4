#pragma once
// SIGTERM, SIGINT and SIGHUP end the calculator the orderly way: the signal handler only
// writes the signal's number into a pipe, and the handler given here reads it on the
// user-interface thread.

#include <functional>

class QObject;

namespace quorva::platform {

// Installs the three signal handlers (once per process) and calls handler with the signal's
// number for each signal that arrives. A later call replaces the handler.
void WatchQuitSignals(std::function<void(int)> handler);

}  // namespace quorva::platform
