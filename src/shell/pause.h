// Pausing the show. Space holds the picture, the demo clock (its pause and resume modes) and
// the music (command 3 to the player) and lets them go on together.
#pragma once

#include <cstdint>

// The key that pauses and resumes.
constexpr unsigned char keyPause = ' ';

// True while the show is paused.
bool showPaused();

// Space: pauses the show while the song plays, or resumes a paused show. Pausing takes the
// clock's pause moment, then silences the player; resuming lets the player go on, then cuts
// the paused time out of the clock. While paused no frame is drawn: the idle callback is off
// and the window shows the held frame.
void togglePause();

// The display callback: the next frame of the show, or, while paused, the held frame again
// (after a resize or an expose).
void showFrame();
