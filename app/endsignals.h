#pragma once

namespace app {

// When the system asks the program to end (SIGTERM from a logout or `kill`, SIGINT, SIGHUP),
// every window runs its close sequence as if the user had closed the main window, so the Live
// Help address is written back, playback stops and the Live Help lock is released.
void closeWindowsOnEndSignals();

} // namespace app
