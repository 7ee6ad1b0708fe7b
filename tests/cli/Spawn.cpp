// SPDX-License-Identifier: BSD-3-Clause
#include "cli/Spawn.h"

#include <cerrno>
#include <csignal>

#include <sys/wait.h>
#include <unistd.h>

namespace vantrel::test {

pid_t SpawnConverter(const std::vector<std::string>& args, int in, int out, int err) {
    std::vector<std::string> all = {VANTREL_CONVERT_EXE};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& arg : all) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGPIPE, SIG_DFL);
        if (dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) {
            _exit(126);
        }
        execv(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

int WaitForExit(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            return -1;
        }
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

bool ReadAvailable(int fd, std::string& text) {
    char buffer[4096];
    for (;;) {
        const auto got = read(fd, buffer, sizeof buffer);
        if (got > 0) {
            text.append(buffer, static_cast<std::size_t>(got));
            continue;
        }
        // A pseudo-terminal whose other side closed reads as EIO.
        return got < 0 && (errno == EAGAIN || errno == EINTR);
    }
}

}  // namespace vantrel::test
