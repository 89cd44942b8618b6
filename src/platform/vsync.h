// Vertical sync for the window's buffer swaps. freeglut has no call for it; Mesa offers the
// GLX swap-control extensions.
#pragma once

// Sets the swap interval of the current window's context: 1 waits for the vertical blank at
// each swap, 0 does not. Uses GLX_EXT_swap_control, else GLX_MESA_swap_control. false when
// neither is offered or there is no current GLX context; nothing else happens then (under
// Xvfb there is no vertical blank to wait for, and the show runs as before).
bool setSwapInterval(int interval);
