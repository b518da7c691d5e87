#include "SessionReport.h"

#include <algorithm>

std::vector<std::string> SessionReport::details() const
{
    std::vector<std::string> texts;
    for (const Finding& finding : findings)
        if (finding.severity != Severity::Note)
            texts.push_back(finding.text);
    return texts;
}

std::vector<std::string> SessionReport::notes() const
{
    std::vector<std::string> texts;
    for (const Finding& finding : findings)
        if (finding.severity == Severity::Note)
            texts.push_back(finding.text);
    return texts;
}

bool SessionReport::hasWarnings() const
{
    return std::any_of(findings.begin(), findings.end(),
                       [](const Finding& finding) { return finding.severity != Severity::Note; });
}

const Finding* SessionReport::cause() const
{
    const Finding* last = nullptr;
    for (const Finding& finding : findings) {
        if (finding.severity == Severity::Error)
            return &finding;
        if (finding.severity == Severity::Warning)
            last = &finding;
    }
    return last;
}
