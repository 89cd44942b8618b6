// Video output of a capture: frames piped raw into ffmpeg, found on PATH at run time, which
// encodes them with the song's WAV into an .mp4 (H.264 + AAC) or .mkv (H.264 + FLAC).
#pragma once

#include <sys/types.h>

#include <string>

// True when the name ends in .mp4 or .mkv (any case): a capture to a video.
bool isVideoName(const std::string &out);

// The full path of a program found on PATH; "" when it is not there.
std::string findOnPath(const std::string &program);

struct VideoPipe {
    pid_t pid = 0;
    int fd = -1;  // ffmpeg's stdin
};

// Starts ffmpeg writing out from 640×480 RGB frames at fps and the audio in wavPath. false
// with *error set when ffmpeg is not on PATH or cannot be started.
bool openVideo(const std::string &out, int fps, const std::string &wavPath, VideoPipe *video, std::string *error);

// Hands one frame (640×480 RGB, top row first) to ffmpeg. false when ffmpeg has gone.
bool writeVideoFrame(VideoPipe *video, const unsigned char *rgb);

// Ends the input, waits for ffmpeg to finish the file; false with *error when it failed.
bool closeVideo(VideoPipe *video, std::string *error);
