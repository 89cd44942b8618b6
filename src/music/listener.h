// The listener task: owns "demoport" and turns the player's reports into the song-playing
// flag; answers every message; leaves on the quit command.
#pragma once

#include <atomic>
#include <cstdint>

// Non-zero while the song plays. One writer (the listener), read by the main task once per
// frame and on the way out; a single 16-bit store and load, no lock.
extern std::atomic<int16_t> playingSong;

// The listener task's name and the command line that starts the player.
constexpr const char *subtaskname = "musichandler_subtask";
constexpr const char *playerCommandLine = "run >NIL: MusicPlayer/sdlmusicplayer \"msx/qsm_insomnia.xm\"";

// How far the listener has come: the way out waits for it to leave listenerStarting, so that
// it never deletes a listener that is about to own "demoport".
enum ListenerStage : int { listenerStarting, listenerServing, listenerParked };
extern std::atomic<int> listenerStage;

// Waits up to ms for the listener to serve its port or park; false if it is still starting.
bool waitForListener(long ms);

// What a command arriving at "demoport" does to the flag: the flag's new value, or the
// current one for commands that are only answered.
int16_t flagAfter(int32_t command, int16_t current);

// Body of the listener task. Creates "demoport" (or says "Unable to create messageport!" and
// parks), serves it until the quit command, deletes it, then parks in Wait(0) until the main
// task deletes the task. Never returns.
void musichandler();
