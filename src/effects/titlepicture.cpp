// The tiled title picture with its fade.
#include "effects/titlepicture.h"

#include <GL/gl.h>

#include "image/texture.h"
#include "shell/democlock.h"

void drawPicture() {
    int t = getTime();
    const TiledTexture &pic = texture[slotTitle];

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 640, 480, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    if (t >= 500 || pic.tilesAcross == 0 || pic.tilesDown == 0) return;
    float f = (t >= 401 && t <= 499) ? float((t - 400) / -100.0 + 1.0) : 1.0f;

    // Every tile gets the same screen size, so the picture (padding included) is stretched
    // until its own pixels cover the window.
    int tileWidth = int(640.0f / (float(pic.width) * 0.00390625f));
    int tileHeight = int(480.0f / (float(pic.height) * 0.00390625f));

    for (int i = 0; i < pic.tilesDown; ++i) {
        for (int j = 0; j < pic.tilesAcross; ++j) {
            float left = float(j * tileWidth), right = float((j + 1) * tileWidth);
            float top = float(i * tileHeight), bottom = float((i + 1) * tileHeight);
            glBindTexture(GL_TEXTURE_2D, pic.first + GLuint(j + i * pic.tilesAcross));
            glBegin(GL_QUADS);
            glColor4f(f, f, f, f);
            glTexCoord2f(0, 1);
            glVertex4f(left, bottom, -0.01f, 1);
            glTexCoord2f(1, 1);
            glVertex4f(right, bottom, -0.01f, 1);
            glTexCoord2f(1, 0);
            glVertex4f(right, top, -0.01f, 1);
            glTexCoord2f(0, 0);
            glVertex4f(left, top, -0.01f, 1);
            glEnd();
        }
    }
}
