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

std::vector<Finding> findingsSince(const Mark& mark)
{
    std::vector<Finding> lines;
    for (uint32_t i = csErrorLog::firstSince(mark.entries); i < csErrorLog::count(); ++i) {
        const int level = csErrorLog::levelOf(i);
        if (level < csErrorLog::Warning)
            continue;
        const Severity severity = level > csErrorLog::Warning ? Severity::Error : Severity::Warning;
        lines.push_back({severity, std::string(1, csErrorLog::levelLetter(level)) + " '" + csErrorLog::titleOf(i) +
                                       "' " + csErrorLog::detailsOf(i)});
        char repeats[64];
        if (csErrorLog::describeRepeats(i, repeats, sizeof repeats))
            lines.push_back({severity, repeats});
    }
    return lines;
}

} // namespace LibraryLog
