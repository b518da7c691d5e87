// The text tags "desc", "text" and "mluc", and the profile sequence tags
// "pseq" and "psid" made of them: building, editing in place, refusing bytes
// whose counts or positions reach beyond the tag, and exchanging them with
// Little CMS. Byte buffers are sized exactly so that the address sanitizer
// catches any read past them.

#include "LogTest.h"
#include "TestSupport.h"
#include "csErrorLog.h"
#include "csICCProfile.h"
#include "csICCProfileHeader.h"
#include "csICCdescTag.h"
#include "csICCmlucTag.h"
#include "csICCpseqTag.h"
#include "csICCpsidTag.h"
#include "csICCtextTag.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using TextTagsTest = LogTest;

using Bytes = std::vector<uint8_t>;

Bytes utf16BE(const std::u16string& text)
{
    Bytes bytes(2 * text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
        csSetUInt16(bytes.data() + 2 * i, text[i]);
    return bytes;
}

// The title of the refusals in the tables below.
const char* refusalTitle(const char* details)
{
    return std::strstr(details, "tag type is not") ? "wrong tag type" : "corrupt tag data";
}

Bytes bytesOf(const csICCTag& tag)
{
    return Bytes(tag.data(), tag.data() + tag.size());
}

int addRecord(csICCmlucTag& tag, const char (&language)[3], const char (&country)[3], const std::u16string& text)
{
    const Bytes bytes = utf16BE(text);
    return tag.addRecord(csICCmlucTag::code(language), csICCmlucTag::code(country),
                         static_cast<uint32_t>(bytes.size()), bytes.data());
}

// A sound "desc" tag with both texts: a = ascii + 1, u = unicode length.
Bytes descBytes(const std::string& ascii, const std::u16string& unicode, uint8_t scriptCount)
{
    const uint32_t a = static_cast<uint32_t>(ascii.size() + 1);
    const uint32_t u = static_cast<uint32_t>(unicode.size());
    Bytes bytes(a + 2 * u + 90);
    csSetSignature(bytes.data(), csSig("desc"));
    csSetUInt32(bytes.data() + 8, a);
    std::memcpy(bytes.data() + 12, ascii.data(), ascii.size());
    csSetUInt32(bytes.data() + 16 + a, u);
    const Bytes text = utf16BE(unicode);
    std::copy(text.begin(), text.end(), bytes.begin() + 20 + a);
    bytes[22 + a + 2 * u] = scriptCount;
    return bytes;
}

TEST_F(TextTagsTest, TextsWeBuildAreSevenBitAndBadEditsRefused)
{
    csICCdescTag desc(csSig("desc"), "caf\xE9");
    EXPECT_EQ(desc.asciiCount(), 5u);
    for (uint32_t i = 0; i < desc.asciiCount(); ++i)
        EXPECT_LT(desc.data()[12 + i], 0x80) << "character " << i;
    EXPECT_EQ(desc.setDesc(nullptr), -1);
    EXPECT_EQ(desc.asciiString().size(), 4u);
    csICCtextTag text(csSig("cprt"), "forty");
    EXPECT_EQ(text.setText(nullptr), -1);
    EXPECT_STREQ(text.text(), "forty");
    csICCmlucTag records(csSig("desc"));
    ASSERT_EQ(addRecord(records, "de", "DE", u"Druck"), 0);
    const Bytes before = bytesOf(records);
    EXPECT_EQ(addRecord(records, "de", "DE", u"Anders"), -1);
    EXPECT_EQ(bytesOf(records), before);
    EXPECT_EQ(csErrorLog::count(), 3u);
    EXPECT_TRUE(logHas('E', "null pointer") && logHas('E', "duplicate record")) << logText();

    // A file need not terminate the ASCII text of a "desc".
    Bytes open = descBytes("ABC", u"", 0);
    open[15] = 'D';
    ASSERT_TRUE(csICCdescTag::checkLayout(csSig("desc"), static_cast<uint32_t>(open.size()), open.data()));
    EXPECT_EQ(csICCdescTag(csSig("desc"), static_cast<uint32_t>(open.size()), open.data()).asciiString(), "ABCD");
}

TEST_F(TextTagsTest, LayoutChecksRefuseCountsAndStringsBeyondTheTag)
{
    // "desc": a = 20, u = 3, 116 bytes; the Unicode count stands at 36, the
    // ScriptCode count at 48. "mluc": strings at 40 and 48, 58 bytes.
    const Bytes desc = descBytes("Nineteen characters", u"abc", 67);
    csICCmlucTag built(csSig("cprt"));
    ASSERT_EQ(addRecord(built, "de", "DE", u"Text"), 0);
    ASSERT_EQ(addRecord(built, "en", "US", u"Words"), 0);
    const Bytes mluc = bytesOf(built);
    const Bytes text = {'t', 'e', 'x', 't', 0, 0, 0, 0, 'a', 'b'};
    using Check = bool (*)(csSignature, uint32_t, const uint8_t*);
    const Check descCheck = csICCdescTag::checkLayout, mlucCheck = csICCmlucTag::checkLayout;
    const struct
    {
        const char* name;
        Check check;
        const Bytes& sound;
        std::function<void(Bytes&)> change;
        const char* details; // empty: accepted
    } cases[] = {
        {"desc with trailing bytes", descCheck, desc, [](Bytes& b) { b.resize(b.size() + 3); }, ""},
        {"ASCII count near 2^32", descCheck, desc, [](Bytes& b) { csSetUInt32(b.data() + 8, 0xFFFFFFF0u); },
         "ASCII count in desc tag 4294967280 is larger than tag buffer"},
        {"Unicode count one too many", descCheck, desc, [](Bytes& b) { csSetUInt32(b.data() + 36, 4); },
         "Unicode count in desc tag 4 is larger than tag buffer"},
        {"Unicode count wrapping 32 bits", descCheck, desc, [](Bytes& b) { csSetUInt32(b.data() + 36, 0x80000003u); },
         "Unicode count in desc tag 2147483651 is larger than tag buffer"},
        {"ScriptCode count 68", descCheck, desc, [](Bytes& b) { b[48] = 68; },
         "Scriptcode count in desc tag 68 is larger than 67"},
        {"desc of type text", descCheck, desc, [](Bytes& b) { std::memcpy(b.data(), "text", 4); },
         "tag type is not 'desc' but'text'"},
        {"desc cut before the ASCII count", descCheck, desc, [](Bytes& b) { b.resize(10); }, "of 10 bytes"},
        {"record count near 2^32", mlucCheck, mluc, [](Bytes& b) { csSetUInt32(b.data() + 8, 0xFFFFFFFFu); },
         "mluc tag with 4294967295 records (size 12) is larger than tag buffer"},
        {"record count one too many", mlucCheck, mluc, [](Bytes& b) { csSetUInt32(b.data() + 8, 4); },
         "mluc tag with 4 records (size 12) is larger than tag buffer"},
        {"record size past the limit", mlucCheck, mluc, [](Bytes& b) { csSetUInt32(b.data() + 12, 257); },
         "records of 257 bytes"},
        {"record size 0", mlucCheck, mluc, [](Bytes& b) { csSetUInt32(b.data() + 12, 0); }, "records of 0 bytes"},
        {"string one byte too long", mlucCheck, mluc, [](Bytes& b) { csSetUInt32(b.data() + 32, 11); },
         "string of record 1 (offset 48, length 11) is larger than tag buffer"},
        {"string end wrapping 32 bits", mlucCheck, mluc, [](Bytes& b) { csSetUInt32(b.data() + 24, 0xFFFFFFFCu); },
         "string of record 0 (offset 4294967292, length 8)"},
        {"string in the record table", mlucCheck, mluc, [](Bytes& b) { csSetUInt32(b.data() + 24, 16); },
         "lies in the record table"},
        {"mluc cut inside the header", mlucCheck, mluc, [](Bytes& b) { b.resize(12); }, "ends inside its header"},
        {"mluc of type desc", mlucCheck, mluc, [](Bytes& b) { std::memcpy(b.data(), "desc", 4); },
         "tag type is not 'mluc' but'desc'"},
        {"text without its zero", csICCtextTag::checkLayout, text, [](Bytes&) {}, "'cprt'"},
        {"text without text", csICCtextTag::checkLayout, text, [](Bytes& b) { b.resize(8); }, "'cprt'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes bytes = c.sound;
        c.change(bytes);
        csErrorLog::clear();
        const bool accepted = *c.details == 0;
        EXPECT_EQ(c.check(csSig("cprt"), static_cast<uint32_t>(bytes.size()), bytes.data()), accepted);
        EXPECT_EQ(csErrorLog::count(), accepted ? 0u : 1u) << logText();
        if (!accepted) {
            EXPECT_TRUE(logHas('E', refusalTitle(c.details), c.details)) << logText();
        }
    }

    // The checking form copies the tag without what follows it; a limit
    // bounds the record table only.
    Bytes longer = mluc;
    longer.resize(longer.size() + 6, 0xEE);
    const uint32_t available = static_cast<uint32_t>(longer.size());
    EXPECT_EQ(bytesOf(csICCmlucTag(csSig("cprt"), longer.data(), available, 0)), mluc);
    EXPECT_EQ(csICCmlucTag(csSig("cprt"), longer.data(), available, 40).size(), 58u);
    EXPECT_EQ(csICCmlucTag(csSig("cprt"), longer.data(), available, 39).size(), 0u);
}

TEST_F(TextTagsTest, RecordStringsAsUnitsAndUtf8)
{
    csICCmlucTag tag(csSig("desc"));
    const std::u16string text = u"Caf\u00E9 \u20AC \U0001D11E!";
    ASSERT_EQ(addRecord(tag, "fr", "FR", text), 0);
    EXPECT_EQ(tag.recordUnits(0), text);
    EXPECT_EQ(tag.recordUtf8(0), "Caf\u00E9 \u20AC \U0001D11E!");
    EXPECT_EQ(tag.recordUtf8(1), "");
    EXPECT_TRUE(logHas('E', "index out of bounds"));
    // An odd length reads the whole code units only.
    const Bytes bytes = utf16BE(u"ab");
    ASSERT_EQ(tag.addRecord(csICCmlucTag::code("en"), csICCmlucTag::code("US"), 3, bytes.data()), 0);
    EXPECT_EQ(tag.recordUnits(1), u"a");
    // A lone surrogate cannot be written as UTF-8.
    csICCmlucTag lone(csSig("desc"));
    ASSERT_EQ(addRecord(lone, "de", "DE", std::u16string(u"a") + char16_t(0xD800) + u"b"), 0);
    EXPECT_EQ(lone.recordUtf8(0), "a\uFFFDb");
}

// Little CMS reads "desc", "text" and "mluc" into one cmsMLU; the wide form
// shows characters beyond ASCII.
std::wstring lcmsText(cmsHPROFILE profile, cmsTagSignature tag, const char* language, const char* country)
{
    const auto* mlu = static_cast<const cmsMLU*>(cmsReadTag(profile, tag));
    wchar_t buffer[128] = {};
    return mlu && cmsMLUgetWide(mlu, language, country, buffer, sizeof buffer) ? buffer : L"(unreadable)";
}

cmsHPROFILE writeForLittleCMS(unsigned major, unsigned minor, const csICCTag& desc, const csICCTag& cprt)
{
    csICCProfile profile;
    profile.header().setDeviceClass(csSig("mntr"));
    profile.header().setColorSpace(csSig("RGB "));
    profile.header().setPCS(csSig("XYZ "));
    profile.header().setVersion(major, minor, 0);
    EXPECT_EQ(profile.tagTable().add(desc), 0);
    EXPECT_EQ(profile.tagTable().add(cprt), 0);
    Bytes block;
    EXPECT_EQ(profile.writeToMemory(block), 0);
    return cmsOpenProfileFromMem(block.data(), static_cast<cmsUInt32Number>(block.size()));
}

TEST_F(TextTagsTest, LittleCMSReadsTheTextTagsWeWrite)
{
    cmsHPROFILE v2 = writeForLittleCMS(2, 1, csICCdescTag(csSig("desc"), "Vestrel Testprofil"),
                                       csICCtextTag(csSig("cprt"), "Copyright 2024 Vestrel"));
    ASSERT_NE(v2, nullptr);
    EXPECT_EQ(lcmsText(v2, cmsSigProfileDescriptionTag, cmsNoLanguage, cmsNoCountry), L"Vestrel Testprofil");
    EXPECT_EQ(lcmsText(v2, cmsSigCopyrightTag, cmsNoLanguage, cmsNoCountry), L"Copyright 2024 Vestrel");
    cmsCloseProfile(v2);

    csICCmlucTag desc(csSig("desc"));
    ASSERT_EQ(addRecord(desc, "de", "DE", u"Drucker f\u00FCr Fotopapier"), 0);
    ASSERT_EQ(addRecord(desc, "en", "US", u"Printer for photo paper"), 0);
    csICCmlucTag cprt(csSig("cprt"));
    ASSERT_EQ(addRecord(cprt, "de", "DE", u"Gemeinfrei"), 0);
    ASSERT_EQ(addRecord(cprt, "de", "AT", u"Gemeinfrei"), 0); // shares the string
    cmsHPROFILE v4 = writeForLittleCMS(4, 3, desc, cprt);
    ASSERT_NE(v4, nullptr);
    EXPECT_EQ(lcmsText(v4, cmsSigProfileDescriptionTag, "de", "DE"), L"Drucker f\u00FCr Fotopapier");
    EXPECT_EQ(lcmsText(v4, cmsSigProfileDescriptionTag, "en", "US"), L"Printer for photo paper");
    EXPECT_EQ(lcmsText(v4, cmsSigCopyrightTag, "de", "AT"), L"Gemeinfrei");
    EXPECT_EQ(lcmsText(v4, cmsSigCopyrightTag, "de", "DE"), L"Gemeinfrei");
    cmsCloseProfile(v4);
}

// The profile sequence tags.
using SequenceTagsTest = LogTest;

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
    EXPECT_EQ(addRecord(tag, "en", "US", text), 0);
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
