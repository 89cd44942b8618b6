// corvalis_songgen: reads a score and writes the XM module it describes.
// Usage: corvalis_songgen <score> <output.xm>
#include "score.h"
#include "xm_writer.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <score> <output.xm>\n", argv[0]);
        return 2;
    }
    songgen::Song song;
    std::string error;
    std::vector<uint8_t> bytes;
    if (!songgen::load_score(argv[1], true, song, error) || !songgen::write_xm(song, bytes, error) ||
        !songgen::save_file(argv[2], bytes, error)) {
        std::fprintf(stderr, "corvalis_songgen: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
