// The title picture: slot 7 stretched over the whole window, tile by tile, fading out in the
// fifth second of the song.
#pragma once

// Sets the orthographic 640×480 view (always) and draws the picture while the demo clock is
// below 500, at full brightness until 400 and fading over 401 … 499.
void drawPicture();
