// The contact sheet: every picture on one page, each labelled with its file name and size.
#pragma once

#include "raster.h"
#include "text.h"

#include <string>
#include <vector>

struct SheetEntry {
    std::string name;
    Canvas picture;
};

// Lays out the two full-screen pictures on the left and the small ones in a grid on the right.
Canvas makeContactSheet(const std::vector<SheetEntry>& entries, const Typefaces& tf);
