#include "LibraryLog.h"

#include "csErrorLog.h"

namespace LibraryLog {

Mark mark()
{
    return {csErrorLog::mark(), csErrorLog::errorCount()};
}

bool errorsSince(const Mark& mark)
{
    return csErrorLog::errorCount() != mark.errors;
}

std::vector<std::string> linesSince(const Mark& mark)
{
    std::vector<std::string> lines;
    for (uint32_t i = csErrorLog::firstSince(mark.entries); i < csErrorLog::count(); ++i) {
        const int level = csErrorLog::levelOf(i);
        if (level < csErrorLog::Warning)
            continue;
        lines.push_back(std::string(1, csErrorLog::levelLetter(level)) + " '" + csErrorLog::titleOf(i) + "' " +
                        csErrorLog::detailsOf(i));
        char repeats[64];
        if (csErrorLog::describeRepeats(i, repeats, sizeof repeats))
            lines.push_back(repeats);
    }
    return lines;
}

} // namespace LibraryLog
