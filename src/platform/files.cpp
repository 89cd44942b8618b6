// Whole-file reads.
#include "platform/files.h"

#include <cstdio>

bool readFileBytes(const char *path, std::vector<unsigned char> *bytes) {
    std::FILE *f = std::fopen(path, "rb");
    if (!f) return false;
    unsigned char chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes->insert(bytes->end(), chunk, chunk + n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}
