// The profile sequence tags "pseq" and "psid": building them, refusing bytes
// whose counts or positions reach beyond the tag, and exchanging sequences
// with Little CMS. Buffers are sized exactly so that the address sanitizer catches
// any read past them.

#include "LogTest.h"
#include "TestSupport.h"
#include "csErrorLog.h"
#include "csICCProfile.h"
#include "csICCProfileHeader.h"
#include "csICCdescTag.h"
#include "csICCmlucTag.h"
#include "csICCpseqTag.h"
#include "csICCpsidTag.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

using SequenceTagsTest = LogTest;

Bytes bytesOf(const csICCTag& tag)
{
    return Bytes(tag.data(), tag.data() + tag.size());
}

csICCProfileHeader headerFor(unsigned major, const char (&manufacturer)[5], const char (&model)[5],
                             uint64_t attributes)
{
    csICCProfileHeader header;
    header.setVersion(major, 0, 0);
    header.setManufacturer(csSig(manufacturer));
    header.setModel(csSig(model));
    header.setAttributes(attributes);
    return header;
}

csICCmlucTag mlucWith(const std::u16string& text)
{
    csICCmlucTag tag(csSig("dmdd"));
    Bytes bytes(2 * text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
        csSetUInt16(bytes.data() + 2 * i, text[i]);
    EXPECT_EQ(tag.addRecord(csICCmlucTag::code("en"), csICCmlucTag::code("US"),
                            static_cast<uint32_t>(bytes.size()), bytes.data()), 0);
    return tag;
}

// Three descriptions: desc and mluc, an mluc and an absent model (version 4:
// empty mluc), both absent (version 2: empty desc).
csICCpseqTag threeDescriptions()
{
    csICCpseqTag tag;
    const csICCdescTag maker(csSig("dmnd"), "Maker");
    const csICCmlucTag model = mlucWith(u"Model one");
    const csICCmlucTag secondMaker = mlucWith(u"Second maker");
    EXPECT_EQ(tag.addDescription(headerFor(2, "MAK1", "MOD1", 0x0102030405060708u), nullptr, &maker, &model), 0);
    EXPECT_EQ(tag.addDescription(headerFor(4, "MAK2", "MOD2", 1), nullptr, &secondMaker, nullptr), 0);
    EXPECT_EQ(tag.addDescription(headerFor(2, "MAK3", "MOD3", 2), nullptr, nullptr, nullptr), 0);
    return tag;
}

TEST_F(SequenceTagsTest, LayoutChecksKeepEveryDescriptionInsideTheTag)
{
    csICCpsidTag identifiers;
    ASSERT_EQ(identifiers.setDescriptions("a", "b"), 0); // entries (28, 48) and (76, 48): 124 bytes
    const Bytes sequence = bytesOf(threeDescriptions());
    const uint32_t lastDesc = static_cast<uint32_t>(sequence.size()) - 91; // the last model's empty desc
    const struct
    {
        const char* name;
        bool psid;
        std::function<void(Bytes&)> change;
        const char* details;
    } cases[] = {
        {"one description too many", false, [](Bytes& b) { csSetUInt32(b.data() + 8, 4); },
         "description #3 does not fit"},
        {"count near 2^32", false, [](Bytes& b) { csSetUInt32(b.data() + 8, 0xFFFFFFFFu); },
         "description #3 does not fit"},
        {"last tag cut short", false, [](Bytes& b) { b.pop_back(); }, "description #2 does not fit"},
        // An embedded desc measures without a limit of its own, but never
        // beyond the enclosing tag.
        {"embedded Unicode count beyond the tag", false,
         [lastDesc](Bytes& b) { csSetUInt32(b.data() + lastDesc + 17, 1); }, "description #2 does not fit"},
        {"embedded ASCII count near 2^32", false,
         [lastDesc](Bytes& b) { csSetUInt32(b.data() + lastDesc + 8, 0xFFFFFFFFu); }, "description #2 does not fit"},
        {"embedded type", false, [](Bytes& b) { std::memcpy(b.data() + 32, "curv", 4); },
         "manufacturer description #0 has type 'curv'"},
        {"own type", false, [](Bytes& b) { std::memcpy(b.data(), "psid", 4); }, "is no pseq tag"},
        {"count near 2^32", true, [](Bytes& b) { csSetUInt32(b.data() + 8, 0xFFFFFFFFu); }, "4294967295 positions"},
        {"entry one byte beyond", true, [](Bytes& b) { csSetUInt32(b.data() + 24, 49); },
         "entry 1 (offset 76, size 49)"},
        {"entry end wrapping 32 bits", true, [](Bytes& b) { csSetUInt32(b.data() + 12, 0xFFFFFFF0u); },
         "entry 0 (offset 4294967280, size 48)"},
        {"entry too small for its ID", true, [](Bytes& b) { csSetUInt32(b.data() + 16, 15); },
         "entry 0 (offset 28, size 15)"},
        {"default tag without entries", true, [](Bytes& b) { b.resize(12); }, "2 positions"},
    };
    const auto check = [](bool psid, const Bytes& b) {
        const uint32_t size = static_cast<uint32_t>(b.size());
        return psid ? csICCpsidTag::checkLayout(csSig("psid"), size, b.data())
                    : csICCpseqTag::checkLayout(csSig("pseq"), size, b.data());
    };
    EXPECT_TRUE(check(false, sequence));
    EXPECT_TRUE(check(true, bytesOf(identifiers)));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes bytes = c.psid ? bytesOf(identifiers) : sequence;
        c.change(bytes);
        csErrorLog::clear();
        EXPECT_FALSE(check(c.psid, bytes));
        EXPECT_EQ(csErrorLog::count(), 1u) << logText();
        EXPECT_TRUE(logHas('E', "corrupt tag data", c.details)) << logText();
    }
}

// A device link that Little CMS writes with its transform's sequence of two
// profiles. In version 2 it pads every embedded "desc" to 4 bytes, which its
// own reader (2.14) then fails to read; we read both layouts.
Bytes lcmsDeviceLink(double version)
{
    cmsHPROFILE rgb = cmsCreate_sRGBProfile();
    cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
    cmsHTRANSFORM transform =
        cmsCreateTransform(rgb, TYPE_RGB_16, lab, TYPE_Lab_16, INTENT_PERCEPTUAL, cmsFLAGS_KEEP_SEQUENCE);
    cmsHPROFILE link = transform ? cmsTransform2DeviceLink(transform, version, 0) : nullptr;
    Bytes block;
    cmsUInt32Number size = 0;
    if (link && cmsSaveProfileToMem(link, nullptr, &size)) {
        block.resize(size);
        if (!cmsSaveProfileToMem(link, block.data(), &size))
            block.clear();
    }
    if (link)
        cmsCloseProfile(link);
    if (transform)
        cmsDeleteTransform(transform);
    cmsCloseProfile(lab);
    cmsCloseProfile(rgb);
    return block;
}

std::string signatureText(cmsUInt32Number signature)
{
    uint8_t bytes[4];
    csSetUInt32(bytes, signature);
    return std::string(bytes, bytes + 4);
}

// How Little CMS reads the sequence of a profile block: per description the
// manufacturer and model signatures, the attributes and both texts.
std::vector<std::string> lcmsSequence(const Bytes& block)
{
    std::vector<std::string> descriptions;
    cmsHPROFILE profile = cmsOpenProfileFromMem(block.data(), static_cast<cmsUInt32Number>(block.size()));
    const auto* seq = profile ? static_cast<const cmsSEQ*>(cmsReadTag(profile, cmsSigProfileSequenceDescTag)) : nullptr;
    for (cmsUInt32Number i = 0; seq && i < seq->n; ++i) {
        char manufacturer[128] = {}, model[128] = {};
        cmsMLUgetASCII(seq->seq[i].Manufacturer, cmsNoLanguage, cmsNoCountry, manufacturer, sizeof manufacturer);
        cmsMLUgetASCII(seq->seq[i].Model, cmsNoLanguage, cmsNoCountry, model, sizeof model);
        descriptions.push_back(signatureText(seq->seq[i].deviceMfg) + " " + signatureText(seq->seq[i].deviceModel) + " " +
                               std::to_string(seq->seq[i].attributes) + " " + manufacturer + "/" + model);
    }
    if (profile)
        cmsCloseProfile(profile);
    return descriptions;
}

TEST_F(SequenceTagsTest, LittleCMSAndWeReadEachOthersSequences)
{
    for (double version : {2.1, 4.3}) {
        SCOPED_TRACE(version);
        const Bytes block = lcmsDeviceLink(version);
        csICCProfile profile;
        ASSERT_EQ(profile.setProfile(block.data(), block.size()), 0);
        const csICCTag* found = profile.tagTable().find(csSig("pseq"));
        ASSERT_NE(found, nullptr);
        csErrorLog::clear();
        ASSERT_TRUE(csICCpseqTag::checkLayout(found->signature(), found->size(), found->data())) << logText();
        csICCpseqTag sequence(found->signature(), found->size(), found->data());
        ASSERT_EQ(sequence.count(), 2u);
        EXPECT_EQ(sequence.findDescriptionOffset(1) % 4, 0u);
        if (const csICCTag* psid = profile.tagTable().find(csSig("psid"))) {
            ASSERT_TRUE(csICCpsidTag::checkLayout(psid->signature(), psid->size(), psid->data())) << logText();
            EXPECT_NE(csICCpsidTag(psid->signature(), psid->size(), psid->data()).description(1).data(), nullptr);
        }

        // Extended in the layout it came in.
        profile.header().setManufacturer(csSig("VSTL"));
        const csICCdescTag desc(csSig("dmnd"), "Vestrel");
        const csICCmlucTag mluc = mlucWith(u"Vestrel");
        const csICCTag* maker = version < 4 ? static_cast<const csICCTag*>(&desc) : &mluc;
        ASSERT_EQ(sequence.addDescription(profile.header(), nullptr, maker, nullptr), 0);
        EXPECT_TRUE(csICCpseqTag::checkLayout(sequence.signature(), sequence.size(), sequence.data())) << logText();
        for (uint32_t i = 0; i < 3; ++i) {
            csSignature manufacturer = 0, model, technology;
            uint64_t attributes;
            EXPECT_EQ(sequence.getDescription(i, manufacturer, model, attributes, technology), 0) << logText();
            EXPECT_EQ(manufacturer == csSig("VSTL"), i == 2);
        }
        if (version >= 4) {
            ASSERT_EQ(profile.tagTable().replace(csSig("pseq"), sequence), 0);
            Bytes written;
            ASSERT_EQ(profile.writeToMemory(written), 0);
            const std::vector<std::string> read = lcmsSequence(written);
            ASSERT_EQ(read.size(), 3u);
            EXPECT_TRUE(read[2].compare(0, 5, "VSTL ") == 0 && read[2].find(" Vestrel/") != std::string::npos) << read[2];
        }
    }

    // Ours, back to back, with "desc" and "mluc" mixed.
    csICCProfile profile;
    profile.tagTable().add(threeDescriptions());
    Bytes block;
    ASSERT_EQ(profile.writeToMemory(block), 0);
    const std::vector<std::string> expected = {"MAK1 MOD1 " + std::to_string(0x0102030405060708u) + " Maker/Model one",
                                               "MAK2 MOD2 1 Second maker/", "MAK3 MOD3 2 /"};
    EXPECT_EQ(lcmsSequence(block), expected);
}

} // namespace
