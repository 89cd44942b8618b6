// The listener task (flag only, until the music link arrives).
#include "music/listener.h"

std::atomic<int16_t> playingSong{0};
