// FreeType glue: loads unhinted outlines, shapes them and rasterises them into masks.
#include "text.h"

#include FT_BITMAP_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

static bool openFace(FT_Library lib, const std::string& path, Typeface& tf) {
    if (FT_New_Face(lib, path.c_str(), 0, &tf.face) != 0) {
        std::fprintf(stderr, "corvalis_picgen: cannot open font %s\n", path.c_str());
        tf.face = nullptr;
        return false;
    }
    return true;
}

bool openTypefaces(Typefaces& faces, const std::string& fontDir) {
    if (FT_Init_FreeType(&faces.library) != 0) {
        std::fprintf(stderr, "corvalis_picgen: FreeType failed to start\n");
        return false;
    }
    const std::string dir = fontDir + "/";
    return openFace(faces.library, dir + "DejaVuSans-Bold.ttf", faces.sansBold) &&
           openFace(faces.library, dir + "DejaVuSans.ttf", faces.sans);
}

void closeTypefaces(Typefaces& faces) {
    for (Typeface* tf : {&faces.sansBold, &faces.sans}) {
        if (tf->face) FT_Done_Face(tf->face);
        tf->face = nullptr;
    }
    if (faces.library) FT_Done_FreeType(faces.library);
    faces.library = nullptr;
}

static FT_Pos to26_6(float v) { return static_cast<FT_Pos>(std::lround(v * 64.0f)); }

// Loads the character's outline into the face's slot, emboldened and transformed by the style;
// false when the face has no outline for it.
static bool loadShapedOutline(const Typeface& tf, unsigned code, const TextStyle& style) {
    FT_Set_Char_Size(tf.face, 0, to26_6(style.size), 72, 72);
    if (FT_Load_Char(tf.face, code, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0) return false;
    FT_GlyphSlot slot = tf.face->glyph;
    if (slot->format != FT_GLYPH_FORMAT_OUTLINE) return false;
    if (style.embolden > 0) FT_Outline_Embolden(&slot->outline, to26_6(style.embolden));
    FT_Matrix matrix;
    matrix.xx = static_cast<FT_Fixed>(std::lround(style.xScale * 65536.0f));
    matrix.xy = static_cast<FT_Fixed>(std::lround(style.slant * style.yScale * 65536.0f));
    matrix.yx = 0;
    matrix.yy = static_cast<FT_Fixed>(std::lround(style.yScale * 65536.0f));
    FT_Outline_Transform(&slot->outline, &matrix);
    return true;
}

InkBox glyphInk(const Typeface& tf, unsigned code, const TextStyle& style) {
    InkBox box;
    if (!loadShapedOutline(tf, code, style) || tf.face->glyph->outline.n_points == 0) return box;
    FT_BBox cbox;
    FT_Outline_Get_CBox(&tf.face->glyph->outline, &cbox);
    box.x0 = cbox.xMin / 64.0f;
    box.x1 = cbox.xMax / 64.0f;
    box.y0 = -cbox.yMax / 64.0f;
    box.y1 = -cbox.yMin / 64.0f;
    box.empty = false;
    return box;
}

void drawGlyph(Mask& m, const Typeface& tf, unsigned code, const TextStyle& style, float penX,
               float baselineY) {
    if (!loadShapedOutline(tf, code, style)) return;
    FT_Outline& outline = tf.face->glyph->outline;
    if (outline.n_points == 0) return;
    // FreeType's y grows upwards: the pen sits at (penX, -baselineY) in its coordinates.
    FT_Outline_Translate(&outline, to26_6(penX), to26_6(-baselineY));
    FT_BBox cbox;
    FT_Outline_Get_CBox(&outline, &cbox);
    const long c0 = static_cast<long>(std::floor(cbox.xMin / 64.0)), c1 = static_cast<long>(std::ceil(cbox.xMax / 64.0));
    const long r0 = static_cast<long>(std::floor(cbox.yMin / 64.0)), r1 = static_cast<long>(std::ceil(cbox.yMax / 64.0));
    const int w = static_cast<int>(c1 - c0), h = static_cast<int>(r1 - r0);
    if (w <= 0 || h <= 0) return;
    FT_Outline_Translate(&outline, -c0 * 64, -r0 * 64);
    std::vector<unsigned char> buffer(static_cast<size_t>(w) * h, 0);
    FT_Bitmap bitmap;
    FT_Bitmap_Init(&bitmap);
    bitmap.rows = static_cast<unsigned>(h);
    bitmap.width = static_cast<unsigned>(w);
    bitmap.pitch = w;
    bitmap.buffer = buffer.data();
    bitmap.num_grays = 256;
    bitmap.pixel_mode = FT_PIXEL_MODE_GRAY;
    if (FT_Outline_Get_Bitmap(tf.face->glyph->library, &outline, &bitmap) != 0) return;
    // Bitmap row k covers FreeType row r1 - 1 - k, which is mask row k - r1.
    for (int k = 0; k < h; ++k) {
        const long y = k - r1;
        if (y < 0 || y >= m.h) continue;
        for (int c = 0; c < w; ++c) {
            const long x = c0 + c;
            if (x < 0 || x >= m.w) continue;
            float& dst = at(m, static_cast<int>(x), static_cast<int>(y));
            dst = std::max(dst, buffer[static_cast<size_t>(k) * w + c] / 255.0f);
        }
    }
}

// Pen advance of one character, kerning with the previous one included.
static float advance(const Typeface& tf, unsigned prev, unsigned code, const TextStyle& style) {
    FT_Set_Char_Size(tf.face, 0, to26_6(style.size), 72, 72);
    if (FT_Load_Char(tf.face, code, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0) return 0;
    float a = tf.face->glyph->advance.x / 64.0f;
    if (prev && FT_HAS_KERNING(tf.face)) {
        FT_Vector kern;
        if (FT_Get_Kerning(tf.face, FT_Get_Char_Index(tf.face, prev), FT_Get_Char_Index(tf.face, code),
                           FT_KERNING_UNFITTED, &kern) == 0)
            a += kern.x / 64.0f;
    }
    return a * style.xScale + style.embolden + style.tracking;
}

float textWidth(const Typeface& tf, const std::string& text, const TextStyle& style) {
    float x = 0;
    unsigned prev = 0;
    for (unsigned char ch : text) {
        x += advance(tf, prev, ch, style);
        prev = ch;
    }
    return x - (text.empty() ? 0 : style.tracking);
}

void drawText(Mask& m, const Typeface& tf, const std::string& text, const TextStyle& style, float x,
              float baselineY) {
    unsigned prev = 0;
    for (unsigned char ch : text) {
        // Kerning belongs before the glyph; the rest of the advance after it.
        const float withKern = advance(tf, prev, ch, style);
        const float plain = advance(tf, 0, ch, style);
        x += withKern - plain;
        drawGlyph(m, tf, ch, style, x, baselineY);
        x += plain;
        prev = ch;
    }
}

void drawTextCentered(Mask& m, const Typeface& tf, const std::string& text, const TextStyle& style,
                      float cx, float baselineY) {
    drawText(m, tf, text, style, cx - textWidth(tf, text, style) * 0.5f, baselineY);
}

float capHeight(const Typeface& tf, const TextStyle& style) {
    const InkBox box = glyphInk(tf, 'H', style);
    return box.y1 - box.y0;
}
