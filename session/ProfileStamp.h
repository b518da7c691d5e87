#pragma once
// What every saved profile carries: Vestrel's creator signature, the date
// of the save, a description and a copyright text, as desc/text tags below
// version 4 and as mluc tags from version 4 on.

#include <string>

class csICCProfile;

// The copyright text written into saved profiles.
extern const char* const profileCopyright;

// Stamps the profile in memory; description and copyright are UTF-8.
void stampProfile(csICCProfile& profile, const std::string& description, const std::string& copyright);
// The description as UTF-8: a desc tag's ASCII text or an mluc tag's first
// record; empty without either.
std::string profileDescription(const csICCProfile& profile);
