// PNG writing and reading through libpng's simplified API, which keeps libpng's longjmp
// error handling inside libpng.
#include "shell/capture_png.h"

#include <png.h>

#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

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

struct PngWriter {
    int width = 0, height = 0;
    std::mutex lock;
    std::condition_variable changed;
    std::deque<std::pair<std::string, std::vector<unsigned char>>> queue;
    bool closing = false;
    std::string error;  // the first failure
    std::thread thread;
};

namespace {
constexpr size_t maxQueuedFrames = 4;

// The writer thread: takes frames in order until closed and drained.
void writeQueued(PngWriter *w) {
    std::unique_lock<std::mutex> hold(w->lock);
    for (;;) {
        w->changed.wait(hold, [w] { return !w->queue.empty() || w->closing; });
        if (w->queue.empty()) return;
        auto item = std::move(w->queue.front());
        w->queue.pop_front();
        w->changed.notify_all();
        hold.unlock();
        std::string error;
        bool ok = writePng(item.first, item.second.data(), w->width, w->height, &error);
        hold.lock();
        if (!ok && w->error.empty()) w->error = error;
    }
}
}  // namespace

PngWriter *startPngWriter(int width, int height) {
    auto *w = new PngWriter;
    w->width = width;
    w->height = height;
    w->thread = std::thread(writeQueued, w);
    return w;
}

bool queuePng(PngWriter *w, const std::string &path, const unsigned char *rgb) {
    std::vector<unsigned char> copy(rgb, rgb + size_t(w->width) * w->height * 3);
    std::unique_lock<std::mutex> hold(w->lock);
    w->changed.wait(hold, [w] { return w->queue.size() < maxQueuedFrames || !w->error.empty(); });
    if (!w->error.empty()) return false;
    w->queue.emplace_back(path, std::move(copy));
    w->changed.notify_all();
    return true;
}

bool finishPngWriter(PngWriter *w, std::string *error) {
    {
        std::lock_guard<std::mutex> hold(w->lock);
        w->closing = true;
    }
    w->changed.notify_all();
    w->thread.join();
    bool ok = w->error.empty();
    if (!ok) *error = w->error;
    delete w;
    return ok;
}
