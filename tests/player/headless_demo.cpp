// A demo without a window, for process tests: the real start of the music link and its ways
// out, with the recording GLUT standing in for freeglut and this loop for glutMainLoop. It
// runs in the current directory like the demo and says on stdout what happens:
// "ports DIR", "player PID", then "playing N" whenever the song flag changes. The line
// "escape" on stdin presses Escape; SIGTERM and Ctrl-C work as in the demo.
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "music/listener.h"
#include "platform/ports.h"
#include "platform/shellrun.h"
#include "recording_gl.h"
#include "shell/musiclink.h"

int main() {
    startMusic();
    std::vector<pid_t> children = runningChildren();
    std::printf("ports %s\nplayer %d\n", portDirectory().c_str(), children.empty() ? 0 : int(children[0]));
    std::fflush(stdout);
    int16_t shown = -1;
    for (;;) {
        int16_t now = playingSong.load(std::memory_order_relaxed);
        if (now != shown) {
            std::printf("playing %d\n", now);
            std::fflush(stdout);
            shown = now;
        }
        pollfd in{0, POLLIN, 0};
        if (poll(&in, 1, int(watchIntervalMs)) > 0) {
            char line[64];
            ssize_t n = read(0, line, sizeof line);
            if (n <= 0 || std::string(line, size_t(n)).find("escape") == 0) leaveShow();
        }
        // The GLUT timer, as glutMainLoop would call it.
        if (void (*timer)(int) = recgl::glut().timer) {
            recgl::glut().timer = nullptr;
            timer(0);
        }
    }
}
