// corvalis_picgen: paints the show's eight pictures into an output folder (Fonts/font1.pbm and
// gfx/*.pbm below it) and, on request, a labelled contact sheet as PNG.
//   corvalis_picgen <output folder> [--sheet <file.png>]
#include "contact_sheet.h"
#include "image_file.h"
#include "pictures.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace {

constexpr const char* kFontDir = "/usr/share/fonts/truetype/dejavu";

struct PictureJob {
    const char* path;  // below the output folder
    Canvas (*paint)(const Typefaces&);
};

Canvas greetingsOne(const Typefaces& tf) { return makeGreetings(tf, 1); }
Canvas greetingsTwo(const Typefaces& tf) { return makeGreetings(tf, 2); }

// The files, in the order the contact sheet shows them.
constexpr PictureJob kJobs[] = {
    {"gfx/veldoran_dpdp7.pbm", makeTitle},
    {"gfx/closingwords.pbm", makeCreditsBackdrop},
    {"Fonts/font1.pbm", makeFontAtlas},
    {"gfx/gfx2.pbm", makeSpriteSheet},
    {"gfx/greets1.pbm", greetingsOne},
    {"gfx/greets2.pbm", greetingsTwo},
    {"gfx/apan-ls.pbm", makeEmblem},
    {"gfx/lsd.pbm", makeEndPanel},
};

int usage() {
    std::fprintf(stderr, "usage: corvalis_picgen <output folder> [--sheet <file.png>]\n");
    return 2;
}

// Creates the folder (and its parents); false with a message when that fails.
bool makeFolder(const std::filesystem::path& dir) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec || !std::filesystem::is_directory(dir)) {
        std::fprintf(stderr, "corvalis_picgen: cannot create folder %s\n", dir.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 4) return usage();
    std::string sheetPath;
    if (argc == 4) {
        if (std::strcmp(argv[2], "--sheet") != 0) return usage();
        sheetPath = argv[3];
    }
    const std::filesystem::path out = argv[1];
    if (!makeFolder(out / "Fonts") || !makeFolder(out / "gfx")) return 1;

    Typefaces tf;
    if (!openTypefaces(tf, kFontDir)) {
        closeTypefaces(tf);
        return 1;
    }
    std::vector<SheetEntry> sheet;
    bool ok = true;
    for (const PictureJob& job : kJobs) {
        Canvas picture = job.paint(tf);
        ok = writePpm((out / job.path).string(), picture.w, picture.h, toBytes(picture)) && ok;
        sheet.push_back({job.path, std::move(picture)});
    }
    if (ok && !sheetPath.empty()) {
        const Canvas contact = makeContactSheet(sheet, tf);
        ok = writePng(sheetPath, contact.w, contact.h, toBytes(contact));
    }
    closeTypefaces(tf);
    return ok ? 0 : 1;
}
