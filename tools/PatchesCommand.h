#pragma once
// "vestrel-cli patches FILE [--ref REF] [--pair-by id|name|loc|position]": the patches exactly as the window
// would use them, one per line, so that scripts see what was read.

#include <cstdio>

int runPatches(int argc, const char* const* argv, std::FILE* out, std::FILE* err);
