#include "ProfileStamp.h"

#include "VestrelVersion.h"

#include "csICCProfile.h"
#include "csICCdescTag.h"
#include "csICCmlucTag.h"
#include "csICCtextTag.h"

#include <algorithm>
#include <vector>

const char* const profileCopyright = "Copyright Orvand. Corrected with Vestrel " VESTREL_VERSION ".";

namespace {

// An mluc tag with one record de/DE holding the text as UTF-16 big-endian.
csICCmlucTag mlucTag(csSignature signature, const std::string& utf8)
{
    csICCmlucTag tag(signature);
    std::vector<uint8_t> utf16;
    for (char16_t c : csUtf16FromUtf8(utf8)) {
        utf16.push_back(static_cast<uint8_t>(c >> 8));
        utf16.push_back(static_cast<uint8_t>(c & 0xFF));
    }
    tag.addRecord(csICCmlucTag::code("de"), csICCmlucTag::code("DE"), static_cast<uint32_t>(utf16.size()),
                  utf16.data());
    return tag;
}

// A plain ASCII name stays a plain desc tag; any other name gets the
// Unicode part too, so it is not garbled to 7 bits.
csICCdescTag descTag(const std::string& utf8)
{
    csICCdescTag tag(csSig("desc"), utf8.c_str());
    if (std::any_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
        tag.setUnicodeDesc(utf8);
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
            return mluc->recordUtf8(0);
    return {};
}

void stampProfile(csICCProfile& profile, const std::string& description, const std::string& copyright)
{
    csICCProfileHeader& header = profile.header();
    header.setCreator(csSig("Orv "));
    header.setCreationDateNow();
    csICCTagTable& tags = profile.tagTable();
    if (header.majorVersion() < 4) {
        tags.replaceOrAdd(descTag(description));
        tags.replaceOrAdd(csICCtextTag(csSig("cprt"), copyright.c_str()));
    } else {
        tags.replaceOrAdd(mlucTag(csSig("desc"), description));
        tags.replaceOrAdd(mlucTag(csSig("cprt"), copyright));
    }
}
