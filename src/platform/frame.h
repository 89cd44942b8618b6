// The show's fixed 640×480 frame. The show draws into an offscreen framebuffer of that size;
// where it swaps buffers, the frame is copied into the window scaled to fit with black bars
// (4:3 kept) at whatever size the window has, full screen included. Screenshots and capture
// read the offscreen frame, so they always hold the whole show, upright, whatever the window.
//
// Invariant: between two presentations the offscreen frame is bound as both the draw and the
// read framebuffer, so the show's drawing and glReadPixels never see the window.
#pragma once

// Size of the show's frame in pixels.
constexpr int frameWidth = 640;
constexpr int frameHeight = 480;

// A rectangle of the window, in GL's window coordinates (origin bottom left).
struct Letterbox {
    int x, y, width, height;
};

// The largest 4:3 rectangle centred in a window of that size; never smaller than 1×1.
Letterbox letterboxFor(int windowWidth, int windowHeight);

// Creates the offscreen frame in the current GL context, binds it and takes over the window's
// reshape callback. false when the GL has no framebuffer objects: the show then draws straight
// into the window, as it was written to.
bool openFrame();

// Turns vsync on (the default) or off for openPresentation.
void setVsyncWanted(bool on);

// Start-up, once the window exists: the offscreen frame (openFrame) and, when presenting to
// the window, the swap interval (vsync unless turned off).
void openPresentation();

// True once openFrame has succeeded.
bool frameIsOffscreen();

// Called where the show swaps buffers: copies the frame into the window's back buffer inside
// black bars, swaps, and binds the frame again. With presentation to the window turned off
// (capture) it does nothing at all.
void presentFrame();

// Turns presentation to the window on (the default) or off (capture: the window stays unused).
void setPresentToWindow(bool on);

// The window's size as presentFrame uses it; the reshape callback keeps it up to date.
void setWindowSize(int width, int height);
