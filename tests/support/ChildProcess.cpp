// SPDX-License-Identifier: BSD-3-Clause
#include "support/ChildProcess.h"

#include <cerrno>

#include <sys/wait.h>
#include <unistd.h>

namespace vantrel::test {

ChildResult RunInChild(const std::function<std::string()>& body) {
    int fds[2];
    if (pipe(fds) != 0) {
        return {};
    }
    const pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return {};
    }
    if (pid == 0) {
        close(fds[0]);
        const std::string report = body();
        std::size_t done = 0;
        while (done < report.size()) {
            const auto put = write(fds[1], report.data() + done, report.size() - done);
            if (put <= 0) {
                _exit(3);
            }
            done += static_cast<std::size_t>(put);
        }
        close(fds[1]);
        _exit(0);
    }

    close(fds[1]);
    ChildResult result;
    char buffer[4096];
    for (;;) {
        const auto got = read(fds[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        result.report.append(buffer, static_cast<std::size_t>(got));
    }
    close(fds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.exitedNormally = WIFEXITED(status);
    result.exitCode = result.exitedNormally ? WEXITSTATUS(status) : -1;
    return result;
}

}  // namespace vantrel::test
