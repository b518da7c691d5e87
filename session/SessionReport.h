#pragma once
// What an operation of the session tells its user, as values every front
// end reads the same way: a one-line summary (status bar, stderr) and the
// findings behind it (a dialog, stderr, a report), each with its severity
// and, where it has one, the line of the file or the patch it is about.
// Nobody reads a cause back out of the text. Each text is also kept as an
// EngineText, for a window that says it in the user's language.

#include "EngineText.h"

#include <string>
#include <vector>

enum class Severity {
    // About the profile or the data, told once; not a warning.
    Note,
    // Something was left out or skipped, and the operation went on.
    Warning,
    // Why the operation was refused.
    Error,
};

struct Finding
{
    Finding() = default;
    Finding(Severity severity, EngineText said, int line = 0, std::string patchId = {})
        : severity(severity), text(said.english()), message(std::move(said)), line(line), patchId(std::move(patchId))
    {
    }

    Severity severity = Severity::Warning;
    // In English, and as it can be translated.
    std::string text;
    EngineText message;
    // The line of the file it is about; 0 for none.
    int line = 0;
    // The patch it is about; empty for none.
    std::string patchId;
};

struct SessionReport
{
    bool ok = false;
    // In English; summaryText says the same for translation as long as
    // it was set by say() (a window shows summary where they differ).
    std::string summary;
    EngineText summaryText;
    std::vector<Finding> findings;

    void say(EngineText text)
    {
        summary = text.english();
        summaryText = std::move(text);
    }
    void note(EngineText text) { findings.push_back({Severity::Note, std::move(text)}); }
    void warn(EngineText text, int line = 0) { findings.push_back({Severity::Warning, std::move(text), line}); }
    void fail(EngineText text) { findings.push_back({Severity::Error, std::move(text)}); }
    void add(std::vector<Finding> more) { findings.insert(findings.end(), more.begin(), more.end()); }

    // The texts of the warnings and errors, and of the notes, in order.
    std::vector<std::string> details() const;
    std::vector<std::string> notes() const;
    bool hasWarnings() const;
    // Why a refused operation was refused: the first error, else the last
    // finding that is not a note; null when there is none.
    const Finding* cause() const;
};
