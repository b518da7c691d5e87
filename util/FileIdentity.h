#pragma once
// Whether two paths name one file, so that an output never replaces an
// input or another output. Existing files compare by device and inode
// (links followed, so a symbolic or hard link to an input is that input);
// a file that does not exist yet compares by its folder, resolved, and its
// name.

#include <string>

bool sameFile(const std::string& a, const std::string& b);
