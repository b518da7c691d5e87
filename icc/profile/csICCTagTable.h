#pragma once
// The tags of a profile in directory order: parsing the tag directory,
// finding, adding and replacing tags, and assembling the profile body.
//
// The table owns every tag in it and only ever stores copies made by the
// factory; a tag handed in stays the caller's.

#include "csICCTag.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

struct csICCTagDirEntry
{
    csSignature signature;
    uint32_t offset;
    uint32_t size;
};

class csICCTagTable
{
public:
    // Header and tag count come before the directory.
    static constexpr uint32_t directoryOffset = 132;
    static constexpr uint32_t directoryEntrySize = 12;
    // Slots are added this many at a time.
    static constexpr uint32_t growthStep = 8;

    csICCTagTable() = default;
    csICCTagTable(const csICCTagTable&) = delete;
    csICCTagTable& operator=(const csICCTagTable&) = delete;
    csICCTagTable(csICCTagTable&&) = default;
    csICCTagTable& operator=(csICCTagTable&&) = default;

    uint32_t count() const { return static_cast<uint32_t>(tags_.size()); }
    uint32_t capacity() const { return capacity_; }

    csICCTag* tagAt(uint32_t index) const;
    bool contains(csSignature signature) const;
    // The table's own object: callers may edit it in place.
    csICCTag* find(csSignature signature) const;
    int indexOf(csSignature signature) const;

    int add(const csICCTag& tag);
    // Keeps the tag's position; the new tag must have the same type.
    int replace(csSignature signature, const csICCTag& tag);
    void replaceOrAdd(const csICCTag& tag);
    int replaceAt(uint32_t index, const csICCTag& tag);
    int remove(uint32_t index);
    bool sameData(csSignature first, csSignature second) const;

    // Checks the whole directory of a profile block of profileSize bytes
    // without creating tags. The block must hold profileSize bytes.
    static int readDirectory(const uint8_t* block, uint32_t profileSize,
                             std::vector<csICCTagDirEntry>& entries);
    // Replaces the table's tags with the block's; on failure the table is empty.
    int fromMemory(const uint8_t* block, uint32_t profileSize);
    // Builds the whole profile block with its first 128 bytes left for the header.
    int assemble(std::vector<uint8_t>& block);

    // A new tag of the class that the type signature in bytes calls for.
    static std::unique_ptr<csICCTag> tagFactory(csSignature signature, uint32_t size,
                                                const uint8_t* bytes);

private:
    // A factory copy of tag's file bytes under the given signature.
    static std::unique_ptr<csICCTag> copyOf(const csICCTag& tag, csSignature signature);

    std::vector<std::unique_ptr<csICCTag>> tags_;
    uint32_t capacity_ = 0;
    // False until the table is filled by fromMemory or add; a table that never
    // had storage cannot be written.
    bool hasStorage_ = false;
};
