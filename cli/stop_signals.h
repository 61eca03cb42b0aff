#pragma once

namespace clickwisp::cli {

// SIGINT and SIGTERM as a file descriptor to poll: blocks both for the
// calling thread, and so for the threads it starts afterwards, and returns a
// signalfd that reads them. -1 on failure, with errno set.
int watchStopSignals();
// Closes the descriptor and unblocks the two signals again.
void unwatchStopSignals(int fd);

} // namespace clickwisp::cli
