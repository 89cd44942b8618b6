// PPM and PNG writers.
#include "image_file.h"

#include <png.h>

#include <cstdio>

bool writePpm(const std::string& path, int w, int h, const std::vector<uint8_t>& rgb) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "corvalis_picgen: cannot write %s\n", path.c_str());
        return false;
    }
    std::fprintf(f, "P6\n%d %d\n255\n", w, h);
    const bool ok = std::fwrite(rgb.data(), 1, rgb.size(), f) == rgb.size();
    if (std::fclose(f) != 0 || !ok) {
        std::fprintf(stderr, "corvalis_picgen: failed writing %s\n", path.c_str());
        return false;
    }
    return true;
}

bool writePng(const std::string& path, int w, int h, const std::vector<uint8_t>& rgb) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(w);
    image.height = static_cast<png_uint_32>(h);
    image.format = PNG_FORMAT_RGB;
    if (!png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), w * 3, nullptr)) {
        std::fprintf(stderr, "corvalis_picgen: cannot write %s: %s\n", path.c_str(), image.message);
        return false;
    }
    return true;
}
