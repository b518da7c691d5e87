#pragma once
// Malformed profiles made from a sound one, each with the log entry that
// its refusal leaves. Shared by the library, CLI and window tests.

#include <cstdint>
#include <string>
#include <vector>

struct MalformedProfile
{
    std::string what;
    std::vector<uint8_t> bytes;
    char level;
    std::string title;
    std::string details;
    // Whether the profile as a whole is refused (else only a tag is).
    bool refusedWhole;
};

std::vector<MalformedProfile> malformedProfiles();

// The sound test profile (cmyk_v2.icc) with one tag replaced by other bytes,
// or added, laid out afresh.
std::vector<uint8_t> withTag(const char* signature, std::vector<uint8_t> tagBytes);
