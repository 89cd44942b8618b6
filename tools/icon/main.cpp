// corvalis_icon: the program's icon, cut from the title picture (the sun over the lake) and
// scaled down with a box filter. corvalis_icon TITLE.ppm OUT.png SIZE
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {
// The square of the title picture that the icon shows.
constexpr int cropX = 184, cropY = 198, cropSide = 272;

struct Picture {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
};

// Reads a binary PPM with maximum value 255; an empty picture when it cannot.
Picture readPpm(const char *path) {
    Picture p;
    std::FILE *f = std::fopen(path, "rb");
    if (!f) return p;
    int maxValue = 0;
    if (std::fscanf(f, "P6 %d %d %d", &p.width, &p.height, &maxValue) == 3 && maxValue == 255 && p.width > 0 &&
        p.height > 0 && p.width <= 16384 && p.height <= 16384 && std::fgetc(f) != EOF) {
        p.rgb.resize(size_t(p.width) * p.height * 3);
        if (std::fread(p.rgb.data(), 1, p.rgb.size(), f) != p.rgb.size()) p = Picture{};
    } else {
        p = Picture{};
    }
    std::fclose(f);
    return p;
}

// The crop square scaled to side × side: each output pixel is the mean of the source pixels
// its square covers (weighted by how much of each it covers).
std::vector<unsigned char> scaledCrop(const Picture &p, int side) {
    std::vector<unsigned char> out(size_t(side) * side * 3);
    const double step = double(cropSide) / side;
    for (int oy = 0; oy < side; ++oy)
        for (int ox = 0; ox < side; ++ox) {
            double sum[3] = {0, 0, 0}, weight = 0;
            double y0 = oy * step, y1 = y0 + step, x0 = ox * step, x1 = x0 + step;
            for (int sy = int(y0); sy < y1 && sy < cropSide; ++sy)
                for (int sx = int(x0); sx < x1 && sx < cropSide; ++sx) {
                    double wy = std::min(y1, sy + 1.0) - std::max(y0, double(sy));
                    double wx = std::min(x1, sx + 1.0) - std::max(x0, double(sx));
                    const unsigned char *c = &p.rgb[(size_t(cropY + sy) * p.width + cropX + sx) * 3];
                    for (int k = 0; k < 3; ++k) sum[k] += c[k] * wx * wy;
                    weight += wx * wy;
                }
            for (int k = 0; k < 3; ++k) out[(size_t(oy) * side + ox) * 3 + k] = (unsigned char)(sum[k] / weight + 0.5);
        }
    return out;
}
}  // namespace

int main(int argc, char **argv) {
    if (argc != 4) {
        std::fputs("usage: corvalis_icon TITLE.ppm OUT.png SIZE\n", stderr);
        return 2;
    }
    int side = std::atoi(argv[3]);
    Picture title = readPpm(argv[1]);
    if (title.width < cropX + cropSide || title.height < cropY + cropSide || side < 1 || side > cropSide) {
        std::fprintf(stderr, "corvalis_icon: %s is not the 640x480 title picture, or the size is wrong\n", argv[1]);
        return 1;
    }
    std::vector<unsigned char> icon = scaledCrop(title, side);
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(side);
    image.height = png_uint_32(side);
    image.format = PNG_FORMAT_RGB;
    if (!png_image_write_to_file(&image, argv[2], 0, icon.data(), side * 3, nullptr)) {
        std::fprintf(stderr, "corvalis_icon: cannot write %s: %s\n", argv[2], image.message);
        return 1;
    }
    return 0;
}
