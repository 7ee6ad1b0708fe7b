// SPDX-License-Identifier: BSD-3-Clause
#include "platform/ProcessSignals.h"

#include <csignal>

#include "platform/LiveTemporaries.h"

namespace vantrel {

#ifdef _WIN32

void IgnoreBrokenPipeSignal() {}

void IgnoreFileSizeSignal() {}

void RemoveTemporariesOnFatalSignals() {}

void EndBySignal(int signal) {
    RemoveLiveTemporaries();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

#else

namespace {

extern "C" void OnFatalSignal(int signal) {
    EndBySignal(signal);
}

}  // namespace

void IgnoreBrokenPipeSignal() {
    std::signal(SIGPIPE, SIG_IGN);
}

void IgnoreFileSizeSignal() {
    std::signal(SIGXFSZ, SIG_IGN);
}

void RemoveTemporariesOnFatalSignals() {
    for (const int signal : {SIGTERM, SIGHUP, SIGPIPE}) {
        struct sigaction current {};
        if (::sigaction(signal, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) {
            continue;  // started with it ignored (nohup, a pipeline's writer): it stays so
        }
        struct sigaction action {};
        action.sa_handler = OnFatalSignal;
        sigemptyset(&action.sa_mask);
        ::sigaction(signal, &action, nullptr);
    }
}

void EndBySignal(int signal) {
    RemoveLiveTemporaries();
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    ::sigaction(signal, &fallback, nullptr);
    // Inside its own handler the signal is blocked: let it through to end the process now.
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    ::pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    ::raise(signal);
}

#endif

}  // namespace vantrel
