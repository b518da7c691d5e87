#pragma once
// Writes a file so that a failure can never destroy what was there: the bytes
// go to a temporary file in the target's folder, which replaces the target
// only once it is complete and on disk. Where the file system allows, that
// file has no name until it is complete, so a save killed part-way leaves
// nothing behind; elsewhere it is named ".vestrel-<pid>-<letters>", and each
// save removes such files of the same user whose process no longer exists.
//
// What is at the target is respected: a symbolic link is followed and the
// file it leads to is replaced (the link stays); a replaced file keeps its
// mode and, where the system permits, its owner and group; a new file gets
// the mode any new file gets. Folders, devices, pipes and sockets are
// refused, and so is a read-only file, also for root. The rename breaks a
// hard link: the other names keep the previous contents.

#include "EngineText.h"

#include <cstdint>
#include <string>
#include <vector>

// On failure the target is untouched, the temporary file is gone and error
// says why. The one exception: when the folder cannot be flushed after the
// rename, the new file is in place but may not be on disk, and that is
// reported as a failure too.
bool writeFileSafely(const std::string& path, const std::vector<uint8_t>& bytes, EngineText& why);
