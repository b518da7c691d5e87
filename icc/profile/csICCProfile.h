#pragma once
// One ICC profile in memory: its header and its tag table.
//
// Reading checks sizes before every access and either replaces the whole
// profile or leaves it as it was; writing assembles a fresh block with the
// size field and, for version 4 and later, the MD5 profile ID.

#include "csICCProfileHeader.h"
#include "csICCTagTable.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

class csICCProfile
{
public:
    // Real printer profiles stay far below this; a larger file or size field
    // is refused before anything is allocated for it.
    static constexpr uint32_t maxProfileSize = 512u * 1024u * 1024u;
    // Header and tag count.
    static constexpr uint32_t minProfileSize = csICCTagTable::directoryOffset;
    // Major versions that are read; a later one may change any encoding.
    static constexpr unsigned oldestVersion = 2;
    static constexpr unsigned newestVersion = 4;

    csICCProfile();
    virtual ~csICCProfile();
    csICCProfile(const csICCProfile&) = delete;
    csICCProfile& operator=(const csICCProfile&) = delete;

    // Reads the whole of an open stream, wherever it is positioned.
    int setProfile(std::FILE* file);
    // The whole of an open stream into block, refusing streams larger than
    // maxProfileSize; the first step of setProfile with a stream.
    static int readFile(std::FILE* file, std::vector<uint8_t>& block);
    // Reads a profile of size bytes. A size field that disagrees with size is
    // corrected to it with a warning, as for a file.
    int setProfile(const uint8_t* block, std::size_t size);

    // The block is replaced by the assembled profile.
    int writeToMemory(std::vector<uint8_t>& block);
    // Writes the assembled profile at the stream's position and flushes it.
    int writeToFile(std::FILE* file);

    csICCProfileHeader& header() { return header_; }
    const csICCProfileHeader& header() const { return header_; }
    csICCTagTable& tagTable() { return tagTable_; }
    const csICCTagTable& tagTable() const { return tagTable_; }

    unsigned dataChannels() const { return dataChannels_; }
    unsigned pcsChannels() const { return pcsChannels_; }

    // Whether the tags that ICC.1 requires for the header's device class are there.
    bool hasRequiredTags() const;

    // The version 4 profile ID of an assembled block: MD5 over the block with
    // profile flags, rendering intent and profile ID taken as zero.
    static void computeProfileID(const uint8_t* block, std::size_t size,
                                 uint8_t id[csICCProfileHeader::profileIDSize]);

private:
    bool hasAll(std::initializer_list<csSignature> signatures) const;
    bool hasMatrixAndCurves() const;

    csICCProfileHeader header_;
    csICCTagTable tagTable_;
    unsigned dataChannels_ = 0;
    unsigned pcsChannels_ = 0;
};
