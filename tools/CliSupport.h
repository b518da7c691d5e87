#pragma once
// What the vestrel-cli commands share: exit statuses, reading a profile
// with its refusals reported, and the library's log on standard error.

#include "csICCProfile.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

enum ExitStatus { Success = 0, Failure = 1, Usage = 2 };

// Warnings and failures the library logged since the log's mark (see
// csErrorLog::mark), one line each ("E 'title' details"), an entry that
// repeated followed by "... and N more like this". Traces stay out.
void printLogEntries(std::FILE* err, uint32_t since = 0);

struct SessionReport;
enum class PairBy;

// "id", "name", "loc" or "position" of --pair-by; false for anything else.
bool parsePairBy(const std::string& text, PairBy& by);

// Shows a session's report on err: the summary and each detail line, when
// it failed or has warnings (which set warned). Returns report.ok.
bool reportToUser(const SessionReport& report, std::FILE* err, bool& warned);

enum class ReadResult { Refused, Flawed, Sound };

// Reads path into block and profile; reports problems on err. Anything
// but a regular file is refused by name without being opened for long
// enough to wait on it ("x is a pipe, not a profile"). A profile
// that was read but had parts refused (a LUT that does not fit its tag) is
// flawed: it can be shown but is not to be passed on.
ReadResult readProfile(const char* path, std::vector<uint8_t>& block, csICCProfile& profile, std::FILE* err);
