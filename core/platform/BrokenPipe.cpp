#include "platform/BrokenPipe.h"

#include <csignal>

namespace vantrel {

void IgnoreBrokenPipeSignal() {
#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_IGN);
#endif
}

}  // namespace vantrel
