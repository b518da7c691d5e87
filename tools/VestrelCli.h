#pragma once
// The commands of vestrel-cli, callable in-process by the tests.
//
// Exit status: 0 success, 1 a command failed (the library's log entries on
// err, one per line), 2 wrong arguments (a usage line on err).

#include <cstdio>

int vestrelCliMain(int argc, const char* const* argv, std::FILE* in, std::FILE* out, std::FILE* err);
