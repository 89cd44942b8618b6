// The texture table and its loader.
#include "image/texture.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "image/ppm.h"
#include "platform/render.h"

TiledTexture texture[textureSlots];

int tilesFor(int pixels) { return pixels / tileSize + ((pixels & (tileSize - 1)) != 0 ? 1 : 0); }

namespace {

void uploadSingle(TiledTexture *record, const unsigned char *picture, int width, int height) {
    GLuint name = newTextureName();
    glBindTexture(GL_TEXTURE_2D, name);
    uploadTexture(width, height, picture);
    *record = TiledTexture{name, width, height, 1, 1};
}

// Cuts the picture into full 256×256 tiles; what a partial tile does not cover stays
// transparent black. The users compute tile names from the first one, so they must follow on.
// False when the tile buffer cannot be had.
bool uploadTiles(TiledTexture *record, const unsigned char *picture, int width, int height) {
    record->width = width;
    record->height = height;
    record->tilesAcross = tilesFor(width);
    record->tilesDown = tilesFor(height);

    constexpr size_t tileBytes = size_t(tileSize) * tileSize * 4;
    unsigned char *tile = static_cast<unsigned char *>(std::malloc(tileBytes));
    if (!tile) {
        std::fputs("Texture memory malloc failed!!!\n", stderr);
        return false;
    }
    GLuint first = 0;
    for (int i = 0; i < record->tilesDown; ++i) {
        for (int j = 0; j < record->tilesAcross; ++j) {
            int lines = (i == record->tilesDown - 1 && height % tileSize) ? height - tileSize * i : tileSize;
            int columns = (j == record->tilesAcross - 1 && width % tileSize) ? width - tileSize * j : tileSize;
            std::memset(tile, 0, tileBytes);
            for (int y = 0; y < lines; ++y) {
                size_t from = 4 * ((size_t(tileSize) * i + y) * size_t(width) + size_t(tileSize) * j);
                std::memcpy(tile + size_t(y) * tileSize * 4, picture + from, size_t(columns) * 4);
            }
            GLuint name = newTextureName();
            if (i == 0 && j == 0) {
                first = name;
                record->first = name;
            } else if (name != first + GLuint(i * record->tilesAcross + j)) {
                std::fprintf(stderr, "Texture tile names are not consecutive (%u after %u)\n", name, first);
            }
            glBindTexture(GL_TEXTURE_2D, name);
            uploadTexture(tileSize, tileSize, tile);
        }
    }
    std::free(tile);
    return true;
}

}  // namespace

void TexInit(TiledTexture *record, const char *path, int alphaMode) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (!path) return;

    int width = 0, height = 0;
    unsigned char *picture = LoadPPM(path, &width, &height, alphaMode);
    if (!picture) return;

    bool uploaded = true;
    if (width <= tileSize && height <= tileSize)
        uploadSingle(record, picture, width, height);
    else
        uploaded = uploadTiles(record, picture, width, height);
    std::free(picture);
    if (!uploaded) return;

    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}
