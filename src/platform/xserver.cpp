// Xvfb started with -displayfd: the server chooses a free display number and writes it to the
// pipe once it accepts connections, so two runs never race for a number and nothing is
// guessed (xvfb-run -a probes lock files, which races).
#include "platform/xserver.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace {
pid_t server = 0;

// In the child: the server's command line, its output to /dev/null, gone with its parent.
[[noreturn]] void runServer(int writeFd, pid_t parent) {
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) _exit(1);
    int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
    }
    std::string fd = std::to_string(writeFd);
    // -noreset: a server that resets when its last client leaves refuses clients meanwhile.
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "640x480x24", "-nolisten", "tcp", "-noreset",
           nullptr);
    _exit(127);
}
}  // namespace

bool startPrivateDisplay(std::string *error) {
    int fds[2];
    if (pipe(fds) != 0) {
        *error = "cannot start Xvfb: no pipe";
        return false;
    }
    fcntl(fds[0], F_SETFD, FD_CLOEXEC);
    pid_t parent = getpid();
    server = fork();
    if (server == 0) {
        close(fds[0]);
        runServer(fds[1], parent);
    }
    close(fds[1]);
    if (server < 0) {
        close(fds[0]);
        server = 0;
        *error = "cannot start Xvfb: fork failed";
        return false;
    }
    // The display number arrives as a line once the server is ready.
    std::string number;
    for (;;) {
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, 10000) <= 0) break;
        char c;
        if (read(fds[0], &c, 1) != 1 || c == '\n') break;
        number += c;
    }
    close(fds[0]);
    if (number.empty()) {
        stopPrivateDisplay();
        *error = "cannot start Xvfb (is the Debian package xvfb installed?)";
        return false;
    }
    setenv("DISPLAY", (":" + number).c_str(), 1);
    return true;
}

void stopPrivateDisplay() {
    if (server <= 0) return;
    kill(server, SIGTERM);
    int status;
    waitpid(server, &status, 0);
    server = 0;
}
