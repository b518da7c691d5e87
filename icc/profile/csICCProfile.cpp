#include "csICCProfile.h"

#include "csErrorLog.h"
#include "csICCSpace.h"

#include <md5.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <sys/stat.h>

csICCProfile::csICCProfile() = default;
csICCProfile::~csICCProfile() = default;

int csICCProfile::setProfile(std::FILE* file)
{
    std::vector<uint8_t> block;
    if (readFile(file, block) != 0)
        return -1;
    return setProfile(block.data(), block.size());
}

int csICCProfile::readFile(std::FILE* file, std::vector<uint8_t>& block)
{
    if (!file) {
        csErrorLog::error("bad file", "setProfile: FILE pointer is zero");
        return -1;
    }
    // A folder opens and seeks like a file but reports a size of LONG_MAX.
    struct stat s;
    if (::fstat(fileno(file), &s) == 0 && S_ISDIR(s.st_mode)) {
        csErrorLog::error("reading profile failed", "a folder, not a profile");
        return -1;
    }
    if (std::fseek(file, 0, SEEK_END) != 0) {
        csErrorLog::error("reading profile failed", "cannot find the end of the profile: %s", std::strerror(errno));
        return -1;
    }
    const long fileSize = std::ftell(file);
    if (fileSize < 0) {
        csErrorLog::error("reading profile failed", "cannot tell the size of the profile: %s", std::strerror(errno));
        return -1;
    }
    if (static_cast<unsigned long>(fileSize) > maxProfileSize) {
        csErrorLog::error("reading profile failed", "profile of %ld bytes is larger than the limit of %u bytes",
                          fileSize, maxProfileSize);
        return -1;
    }

    try {
        block.resize(static_cast<std::size_t>(fileSize));
    } catch (const std::bad_alloc&) {
        csErrorLog::error("out of memory", "failed to allocate %ld bytes for the profile", fileSize);
        return -1;
    }
    std::rewind(file);
    if (fileSize > 0 && std::fread(block.data(), static_cast<std::size_t>(fileSize), 1, file) != 1) {
        csErrorLog::error("reading profile failed", "cannot read the profile: %s",
                          std::ferror(file) ? std::strerror(errno) : "it ended early");
        return -1;
    }
    return 0;
}

int csICCProfile::setProfile(const uint8_t* block, std::size_t size)
{
    if (!block && size > 0) {
        csErrorLog::fatal("null pointer", "setProfile(mem) called with null pointer");
        return -1;
    }
    if (size < minProfileSize) {
        csErrorLog::error("bad profile", "profile of %zu bytes is shorter than header and tag count (%u bytes)",
                          size, minProfileSize);
        return -1;
    }
    if (size > maxProfileSize) {
        csErrorLog::error("bad profile", "profile of %zu bytes is larger than the limit of %u bytes", size,
                          maxProfileSize);
        return -1;
    }

    csICCProfileHeader header;
    header.fromMemory(block);
    const uint32_t realSize = static_cast<uint32_t>(size);
    if (header.profileSize() != realSize) {
        csErrorLog::warning("wrong size in profile", "size entry %u does not match actual file size %u (corrected)",
                            header.profileSize(), realSize);
        header.setProfileSize(realSize);
    }
    if (header.fileSignature() != csSig("acsp")) {
        csErrorLog::error("bad profile", "no 'acsp' signature in profile header");
        return -1;
    }
    const unsigned version = header.majorVersion();
    if (version < oldestVersion || version > newestVersion) {
        csErrorLog::error("bad profile", "version %u; versions %u to %u are supported", version, oldestVersion,
                          newestVersion);
        return -1;
    }

    // Parse into a table of its own so that a refused profile changes nothing.
    csICCTagTable tagTable;
    if (tagTable.fromMemory(block, realSize) != 0) {
        csErrorLog::error("bad profile", "could not create tag table from memory");
        return -1;
    }

    header_ = header;
    tagTable_ = std::move(tagTable);
    dataChannels_ = csICCSpace(header_.colorSpace()).numChannels();
    pcsChannels_ = csICCSpace(header_.pcs()).numChannels();
    return 0;
}

void csICCProfile::computeProfileID(const uint8_t* block, std::size_t size,
                                    uint8_t id[csICCProfileHeader::profileIDSize])
{
    // Hash the header from a copy with the three fields zeroed; the rest of
    // the block is hashed where it stands.
    uint8_t header[csICCProfileHeader::size];
    std::memcpy(header, block, sizeof header);
    std::memset(header + csICCProfileHeader::FlagsOffset, 0, 4);
    std::memset(header + csICCProfileHeader::RenderingIntentOffset, 0, 4);
    std::memset(header + csICCProfileHeader::ProfileIDOffset, 0, csICCProfileHeader::profileIDSize);

    MD5_CTX context;
    MD5Init(&context);
    MD5Update(&context, header, sizeof header);
    MD5Update(&context, block + sizeof header, size - sizeof header);
    MD5Final(id, &context);
}

int csICCProfile::writeToMemory(std::vector<uint8_t>& block)
{
    if (tagTable_.assemble(block) != 0) {
        csErrorLog::error("could not create profile", "tagTable failed to assemble profile body");
        return -1;
    }
    header_.setProfileSize(static_cast<uint32_t>(block.size()));
    header_.toMemory(block.data());
    if (header_.majorVersion() > 3) {
        uint8_t id[csICCProfileHeader::profileIDSize];
        computeProfileID(block.data(), block.size(), id);
        header_.setProfileID(id);
        std::memcpy(block.data() + csICCProfileHeader::ProfileIDOffset, id, sizeof id);
    }
    return 0;
}

int csICCProfile::writeToFile(std::FILE* file)
{
    if (!file) {
        csErrorLog::error("bad file", "writeToFile: FILE pointer is zero");
        return -1;
    }
    std::vector<uint8_t> block;
    if (writeToMemory(block) != 0) {
        csErrorLog::error("failed to write profile", "writeToMemory failed");
        return -1;
    }
    if (std::fwrite(block.data(), block.size(), 1, file) != 1 || std::fflush(file) != 0) {
        csErrorLog::error("failed to write profile", "fwrite() failed");
        return -1;
    }
    return 0;
}

bool csICCProfile::hasAll(std::initializer_list<csSignature> signatures) const
{
    for (csSignature signature : signatures)
        if (!tagTable_.contains(signature))
            return false;
    return true;
}

bool csICCProfile::hasMatrixAndCurves() const
{
    return header_.colorSpace() == csSig("RGB ") && header_.pcs() == csSig("XYZ ") &&
           hasAll({csSig("rXYZ"), csSig("gXYZ"), csSig("bXYZ"), csSig("rTRC"), csSig("gTRC"), csSig("bTRC")});
}

bool csICCProfile::hasRequiredTags() const
{
    const csSignature deviceClass = header_.deviceClass();
    const bool gray = header_.colorSpace() == csSig("GRAY");

    if (deviceClass == csSig("scnr")) {
        if (!hasAll({csSig("desc"), csSig("wtpt"), csSig("cprt")}))
            return false;
        if (gray)
            return hasAll({csSig("kTRC")});
        return hasAll({csSig("A2B0")}) || hasMatrixAndCurves();
    }
    if (deviceClass == csSig("mntr")) {
        if (!hasAll({csSig("desc"), csSig("wtpt"), csSig("cprt")}))
            return false;
        if (gray)
            return hasAll({csSig("kTRC")});
        return hasAll({csSig("A2B0"), csSig("B2A0")}) || hasMatrixAndCurves();
    }
    if (deviceClass == csSig("prtr")) {
        if (!hasAll({csSig("desc"), csSig("wtpt"), csSig("cprt")}))
            return false;
        if (gray)
            return hasAll({csSig("kTRC")});
        return hasAll({csSig("A2B0"), csSig("A2B1"), csSig("A2B2"), csSig("B2A0"), csSig("B2A1"),
                       csSig("B2A2"), csSig("gamt")});
    }
    if (deviceClass == csSig("spac"))
        return hasAll({csSig("desc"), csSig("A2B0"), csSig("B2A0"), csSig("wtpt"), csSig("cprt")});
    // An abstract profile names its white too, in either version.
    if (deviceClass == csSig("abst"))
        return hasAll({csSig("desc"), csSig("A2B0"), csSig("wtpt"), csSig("cprt")});
    if (deviceClass == csSig("link"))
        return hasAll({csSig("desc"), csSig("A2B0"), csSig("pseq"), csSig("cprt")});
    if (deviceClass == csSig("nmcl")) {
        if (!hasAll({csSig("desc"), csSig("wtpt"), csSig("cprt")}))
            return false;
        if (header_.majorVersion() >= 4)
            return hasAll({csSig("ncl2")});
        return hasAll({csSig("ncl2")}) || hasAll({csSig("nmcl")});
    }
    return false;
}
