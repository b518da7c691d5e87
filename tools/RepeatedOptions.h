#pragma once
// Options given twice. A second -o or --noise would silently win over the
// first, so every option that cannot repeat is refused the second time,
// before anything is read; -m of correct repeats (the files are averaged).

#include <string>

// The first option of a command's arguments (after the command word) that
// was given before and may be given once; empty when there is none.
// Unknown options are left to the command's own parser.
std::string optionGivenTwice(const std::string& command, int argc, const char* const* argv);
