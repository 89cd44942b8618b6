// Contact sheet layout: a title line, the full-screen pictures stacked on the left at their own
// size, the small pictures two by two on the right, each under a label with its name and size.
#include "contact_sheet.h"

#include <algorithm>
#include <string>

namespace {

constexpr int kMargin = 24, kGap = 28, kLabel = 24, kTitle = 44;
constexpr int kSmallCell = 256;
const Rgb kBackground = rgb8(30, 32, 40);
const Rgb kFrame = rgb8(84, 90, 110);
const Rgb kInk = rgb8(215, 220, 232);
const Rgb kDimInk = rgb8(140, 146, 165);

// Writes one line of text onto the sheet.
void label(Canvas& sheet, const Typeface& face, const std::string& text, float size, Rgb colour, int x,
           int baseline) {
    Mask m = makeMask(sheet.w, sheet.h);
    TextStyle style;
    style.size = size;
    drawText(m, face, text, style, static_cast<float>(x), static_cast<float>(baseline));
    paint(sheet, m, colour);
}

// Places a picture with a one-pixel frame and its label above it.
void place(Canvas& sheet, const SheetEntry& e, const Typefaces& tf, int x, int y) {
    label(sheet, tf.sansBold, e.name, 14, kInk, x, y + 16);
    const std::string size = std::to_string(e.picture.w) + " x " + std::to_string(e.picture.h);
    const float nameWidth = textWidth(tf.sansBold, e.name, TextStyle{14});
    label(sheet, tf.sans, size, 12, kDimInk, x + static_cast<int>(nameWidth) + 10, y + 16);
    const int top = y + kLabel;
    for (int i = -1; i <= e.picture.w; ++i) {
        at(sheet, x + i, top - 1) = kFrame;
        at(sheet, x + i, top + e.picture.h) = kFrame;
    }
    for (int j = -1; j <= e.picture.h; ++j) {
        at(sheet, x - 1, top + j) = kFrame;
        at(sheet, x + e.picture.w, top + j) = kFrame;
    }
    blit(sheet, e.picture, x, top);
}

}  // namespace

Canvas makeContactSheet(const std::vector<SheetEntry>& entries, const Typefaces& tf) {
    std::vector<const SheetEntry*> big, small;
    int bigWidth = 0, bigHeight = 0;
    for (const SheetEntry& e : entries) {
        if (e.picture.w > kSmallCell || e.picture.h > kSmallCell) {
            big.push_back(&e);
            bigWidth = std::max(bigWidth, e.picture.w);
            bigHeight += kLabel + e.picture.h + kGap;
        } else {
            small.push_back(&e);
        }
    }
    const int smallRows = static_cast<int>((small.size() + 1) / 2);
    const int rightHeight = smallRows * (kLabel + kSmallCell + kGap);
    const int w = kMargin + bigWidth + kGap + 2 * kSmallCell + kGap + kMargin;
    const int h = kTitle + std::max(bigHeight, rightHeight) + kMargin - kGap + kMargin;
    Canvas sheet = makeCanvas(w, h, kBackground);
    label(sheet, tf.sansBold, "CORVALIS - the eight pictures", 20, kInk, kMargin, 32);
    label(sheet, tf.sans, "black = transparent where the show loads a picture with alpha mode 0", 12,
          kDimInk, kMargin + 360, 32);
    int y = kTitle + kMargin / 2;
    for (const SheetEntry* e : big) {
        place(sheet, *e, tf, kMargin, y);
        y += kLabel + e->picture.h + kGap;
    }
    const int right = kMargin + bigWidth + kGap;
    for (size_t i = 0; i < small.size(); ++i) {
        const int col = static_cast<int>(i % 2), row = static_cast<int>(i / 2);
        place(sheet, *small[i], tf, right + col * (kSmallCell + kGap),
              kTitle + kMargin / 2 + row * (kLabel + kSmallCell + kGap));
    }
    return sheet;
}
