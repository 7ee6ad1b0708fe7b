// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// What the signals that stop a write do to the process. A front end sets them at start.

namespace vantrel {

// Makes a write to a pipe whose reader has gone fail with an error (reported as "Write
// Output File Error!") instead of killing the whole process with SIGPIPE. The window calls
// it at start: a user may pick a named pipe as the output. Does nothing on Windows.
void IgnoreBrokenPipeSignal();

// Makes a write past the process's file-size limit fail with an error ("Write Output File
// Error!") instead of ending the process by SIGXFSZ without a word. Does nothing on Windows.
void IgnoreFileSizeSignal();

// SIGTERM, SIGHUP and SIGPIPE (each where it is not ignored) first remove the temporaries
// this process is writing (LiveTemporaries.h), then end it as they would have, so that a
// killed run leaves no hidden full-size file behind. Does nothing on Windows.
void RemoveTemporariesOnFatalSignals();

// For a signal handler of a front end's own: removes the live temporaries and ends the
// process by `signal` with its default action. Async-signal-safe.
void EndBySignal(int signal);

}  // namespace vantrel
