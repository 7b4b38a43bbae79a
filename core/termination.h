#pragma once
// Ending on SIGTERM, SIGINT and SIGHUP the way the program ends by itself.
//
// The database client installs handlers of its own for SIGINT and SIGTERM
// at the first attachment: they shut every attachment of the process down
// and let the process go on, so the next statement fails with "connection
// shutdown" and a logout waits for a program that never ends. So the three
// signals are blocked in every thread, where no handler ever runs, and one
// thread of ours takes them and turns them into a request to stop that the
// program answers at its own pace: the windows close as their close button
// closes them, an update rolls back, a command ends.

namespace korvane {

// Blocks the three signals and starts the thread that takes them. Call it
// first thing in main, before any other thread exists: a thread inherits the
// blocked set only from the thread that makes it. A second signal, once a
// stop has been requested, ends the process at once (status 128 + signal).
void takeTerminationSignals();

// Whether the process has been asked to stop; any thread may look.
bool stopRequested();
// The signal that asked it, 0 while none has.
int stopSignal();
// A descriptor that becomes readable when the stop is requested, for an
// event loop to watch; -1 before takeTerminationSignals.
int stopDescriptor();

// As a signal does (tests, and a program that stops itself).
void requestStop(int signal);
// Forgets a request (tests).
void clearStopRequest();

} // namespace korvane
