#pragma once

namespace vantrel {

// Makes a write to a pipe whose reader has gone fail with an error (reported as "Write
// Output File Error!") instead of killing the whole process with SIGPIPE. The window calls
// it at start: a user may pick a named pipe as the output. Does nothing on Windows.
void IgnoreBrokenPipeSignal();

}  // namespace vantrel
