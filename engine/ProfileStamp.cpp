#include "ProfileStamp.h"

#include "csICCProfile.h"
#include "csICCdescTag.h"
#include "csICCmlucTag.h"
#include "csICCtextTag.h"
#include "TextEncoding.h"

#include <vector>

const char* const profileCopyright = "Copyright Orvand. Corrected with Vestrel 1.0.1.";

namespace {

// An mluc tag with one record de/DE holding the text as UTF-16 big-endian.
csICCmlucTag mlucTag(csSignature signature, const std::string& latin1)
{
    csICCmlucTag tag(signature);
    std::vector<uint8_t> utf16;
    for (unsigned char c : latin1) {
        utf16.push_back(0);
        utf16.push_back(c);
    }
    tag.addRecord(csICCmlucTag::code("de"), csICCmlucTag::code("DE"), static_cast<uint32_t>(utf16.size()),
                  utf16.data());
    return tag;
}

} // namespace

std::string profileDescription(const csICCProfile& profile)
{
    const csICCTag* tag = profile.tagTable().find(csSig("desc"));
    if (const auto* desc = dynamic_cast<const csICCdescTag*>(tag))
        return desc->asciiString();
    if (const auto* mluc = dynamic_cast<const csICCmlucTag*>(tag))
        if (mluc->numberOfRecords() > 0)
            return latin1ToUtf8(mluc->recordLatin1(0));
    return {};
}

void stampProfile(csICCProfile& profile, const std::string& description, const std::string& copyright)
{
    csICCProfileHeader& header = profile.header();
    header.setCreator(csSig("Orv "));
    header.setCreationDateNow();
    csICCTagTable& tags = profile.tagTable();
    if (header.majorVersion() < 4) {
        tags.replaceOrAdd(csICCdescTag(csSig("desc"), description.c_str()));
        tags.replaceOrAdd(csICCtextTag(csSig("cprt"), copyright.c_str()));
    } else {
        tags.replaceOrAdd(mlucTag(csSig("desc"), description));
        tags.replaceOrAdd(mlucTag(csSig("cprt"), copyright));
    }
}
