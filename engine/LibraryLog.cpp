#include "LibraryLog.h"

#include "csErrorLog.h"

namespace LibraryLog {

Mark mark()
{
    return {csErrorLog::count(), csErrorLog::errorCount()};
}

bool errorsSince(const Mark& mark)
{
    return csErrorLog::errorCount() != mark.errors;
}

std::vector<std::string> linesSince(const Mark& mark)
{
    std::vector<std::string> lines;
    const uint32_t first = csErrorLog::count() < mark.entries ? 0 : mark.entries;
    for (uint32_t i = first; i < csErrorLog::count(); ++i) {
        const int level = csErrorLog::levelOf(i);
        if (level < csErrorLog::Warning)
            continue;
        lines.push_back(std::string(1, csErrorLog::levelLetter(level)) + " '" + csErrorLog::titleOf(i) + "' " +
                        csErrorLog::detailsOf(i));
    }
    return lines;
}

} // namespace LibraryLog
