// PNG writing and reading through libpng's simplified API, which keeps libpng's longjmp
// error handling inside libpng.
#include "shell/capture_png.h"

#include <png.h>

#include <cerrno>
#include <cstring>

bool writePng(const std::string &path, const unsigned char *rgb, int width, int height, std::string *error) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(width);
    image.height = png_uint_32(height);
    image.format = PNG_FORMAT_RGB;
    // Frames are many and big: fast compression, larger files.
    image.flags = PNG_IMAGE_FLAG_FAST;
    if (png_image_write_to_file(&image, path.c_str(), 0, rgb, width * 3, nullptr)) return true;
    *error = "cannot write " + path + ": " + image.message;
    return false;
}

bool readPng(const std::string &path, std::vector<unsigned char> *rgb, int *width, int *height) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    if (image.width > 16384 || image.height > 16384) {
        png_image_free(&image);
        return false;
    }
    image.format = PNG_FORMAT_RGB;
    rgb->resize(PNG_IMAGE_SIZE(image));
    // Any alpha is composed onto black, the show's background.
    png_color black{0, 0, 0};
    if (!png_image_finish_read(&image, &black, rgb->data(), 0, nullptr)) {
        png_image_free(&image);
        return false;
    }
    *width = int(image.width);
    *height = int(image.height);
    return true;
}
