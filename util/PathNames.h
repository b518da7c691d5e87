#pragma once
// The parts of a path that messages and file kinds go by.

#include <string>

// "/a/b/meas.txt" -> "/a/b"; "meas.txt" -> "."; "/meas.txt" -> "/".
std::string folderOf(const std::string& path);
// "/a/b/meas.txt" -> "meas.txt".
std::string fileNameOf(const std::string& path);
// "/a/Report.HTML" -> "html"; empty without a suffix (a dot in a folder's
// name is none).
std::string lowerSuffix(const std::string& path);
