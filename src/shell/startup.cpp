// Start-up: banner, window, one-time initialisation, callbacks and the main loop, in the order
// the show relies on (the texture names, the random sequence and the GL state depend on it).
#include "shell/startup.h"

#include <GL/freeglut.h>

#include <cstdio>

#include "effects/fireworks.h"
#include "effects/stars.h"
#include "image/ppm.h"
#include "image/texture.h"
#include "platform/frame.h"
#include "platform/render.h"
#include "shell/democlock.h"
#include "shell/keys.h"
#include "shell/musiclink.h"
#include "shell/pause.h"
#include "effects/scrolltexts.h"
#include "shell/timeline.h"

namespace {
struct SlotFile {
    const char *path;
    int alphaMode;
};

// The picture of each texture slot, loaded in slot order.
constexpr SlotFile slotFiles[textureSlots] = {
    {"Fonts/font1.pbm", alphaBlackTransparent},     {"gfx/gfx2.pbm", alphaBlackTransparent},
    {"gfx/apan-ls.pbm", alphaBlackTransparent},     {"gfx/greets1.pbm", alphaBlackTransparent},
    {"gfx/greets2.pbm", alphaBlackTransparent},     {"gfx/lsd.pbm", alphaOpaque},
    {"gfx/closingwords.pbm", alphaBlackTransparent}, {"gfx/veldoran_dpdp7.pbm", alphaBlackTransparent},
};
}  // namespace

void initShowState() {
    clearFireworks();
    placeStars();
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    for (int slot = 0; slot < textureSlots; ++slot)
        TexInit(&texture[slot], slotFiles[slot].path, slotFiles[slot].alphaMode);
    std::fputs("Setting up MiniGL parameters...\n", stderr);

    glClearColor(0, 0, 0, 0);
    for (int i = 0; i < 2; ++i) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        presentFrame();
    }
    glEnable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture[slotSprites].first);
}

void init() {
    initShowState();
    startMusic();
    scrollText = defaultScroller;
    std::fputs("Setup completed!\n", stderr);
}

int demoMain(int argc, char **argv) {
    std::fprintf(stderr, "%s\n", demoTitle);
    getTimeWithStatus(clockReset);
    installGlutErrorHandlers();
    glutInit(&argc, argv);
    glutInitDisplayMode(glutModeFor(7));
    glutInitWindowSize(640, 480);
    if (glutCreateWindow(demoTitle) < 1) {
        windowFailed("glutCreateWindow failed");
        return 1;
    }
    openPresentation();
    init();
    glDisable(GL_BLEND);
    glutDisplayFunc(showFrame);
    glutIdleFunc(idle);
    glutKeyboardFunc(key);
    glutMainLoop();
    return 0;
}
