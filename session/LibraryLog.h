#pragma once
// The ICC library's diagnostics as the engine passes them up: what one
// operation added to the log, as findings for the user ("E 'bad tagtable'
// tag 'B2A1' offset ...", an error), and whether any of it was an error.

#include "SessionReport.h"

#include <cstdint>
#include <string>
#include <vector>

namespace LibraryLog {

struct Mark
{
    // The log's mark: where the operation's entries begin.
    uint32_t entries;
    uint32_t errors;
};

// Entries added after the mark never fold into repeats of earlier ones.
Mark mark();
// Errors logged since the mark, counted as they were logged, so a log
// that made room meanwhile still tells.
bool errorsSince(const Mark& mark);
// Warnings and worse since the mark that the log still holds, one finding
// each; an entry that repeated is followed by "... and N more like this".
std::vector<Finding> findingsSince(const Mark& mark);

} // namespace LibraryLog
