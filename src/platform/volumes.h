// Volume names of the show's file paths mapped to this machine's folders.
#pragma once

#include <string>

// "RAM:name" becomes name in $CORVALIS_RAM, else $XDG_RUNTIME_DIR, else /tmp; any other path
// is returned as it is (relative to the working directory).
std::string hostPath(const std::string &path);
