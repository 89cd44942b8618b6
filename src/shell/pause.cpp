// Pause and resume. The demo clock keeps counting between its pause and resume modes (only the
// resume cuts the pause out), so no frame may be drawn while paused: the idle callback stops
// asking for frames and the display callback only shows the held frame again.
#include "shell/pause.h"

#include <GL/freeglut.h>

#include "music/listener.h"
#include "music/message.h"
#include "platform/frame.h"
#include "shell/democlock.h"
#include "shell/keys.h"
#include "shell/timeline.h"

namespace {
bool paused = false;
}  // namespace

bool showPaused() { return paused; }

void togglePause() {
    if (!paused) {
        // Before the song starts the clock is held at zero anyway: nothing to pause.
        if (playingSong.load(std::memory_order_relaxed) == 0) return;
        // The sound already in the output buffer still plays after the pause command, and after
        // the resume the first new sample is heard one buffer late: the two cancel out, so the
        // clock pauses when the command is sent and resumes when the answer comes.
        getTimeWithStatus(clockPause);
        SendMessage(playerPortName, commandPauseResume);
        paused = true;
        glutIdleFunc(nullptr);
    } else {
        SendMessage(playerPortName, commandPauseResume);
        getTimeWithStatus(clockResume);
        paused = false;
        glutIdleFunc(idle);
    }
}

void showFrame() {
    if (!paused) {
        display();
        return;
    }
    // Without an offscreen frame there is nothing held to show again.
    if (frameIsOffscreen()) presentFrame();
}
