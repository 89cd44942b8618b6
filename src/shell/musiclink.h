// Where the shell meets the music link: starting the listener and the player, and the one
// way out of the program that every exit path takes.
#pragma once

// Start-up: creates the listener task, then starts the player; reports what fails.
void startMusic();

// Stops the player while the song plays, ends the listener, removes the ports and ends the
// program with status 0.
void leaveShow();
