// SIGTERM, SIGINT and SIGHUP (a session that ends, kill, Ctrl+C) ask the program to quit the way
// its window's close does. The handler itself only writes a byte into a pipe; the event loop
// reads it and makes the call on the user-interface thread, where Qt may be used.
#pragma once

#include <functional>

class QObject;

namespace QuitSignals {

// Installs the handlers; onQuit runs in the event loop once for each signal that arrives, while
// context lives. False where the platform has no such signals (nothing is installed then).
bool install(QObject *context, std::function<void()> onQuit);

} // namespace QuitSignals
