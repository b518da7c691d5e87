#include "csICCTagTable.h"

#include "csErrorLog.h"
#include "csICCProfileHeader.h"
#include "csICCXYZTag.h"
#include "csICCcurvTag.h"
#include "csICCdescTag.h"
#include "csICCmABTag.h"
#include "csICCmft1Tag.h"
#include "csICCmft2Tag.h"
#include "csICCmlucTag.h"
#include "csICCparaTag.h"
#include "csICCpseqTag.h"
#include "csICCpsidTag.h"
#include "csICCtextTag.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

// A tag of class Tag when its bytes fit the class, else plain bytes: a
// refused tag is written back as it came but never read as its type.
template <class Tag>
std::unique_ptr<csICCTag> checked(csSignature signature, uint32_t size, const uint8_t* bytes)
{
    if (Tag::checkLayout(signature, size, bytes))
        return std::make_unique<Tag>(signature, size, bytes);
    return std::make_unique<csICCTag>(signature, size, bytes);
}

using Maker = std::unique_ptr<csICCTag> (*)(csSignature, uint32_t, const uint8_t*);

const struct
{
    csSignature type;
    Maker make;
} tagClasses[] = {
    {csSig("desc"), checked<csICCdescTag>}, {csSig("text"), checked<csICCtextTag>},
    {csSig("mluc"), checked<csICCmlucTag>}, {csSig("XYZ "), checked<csICCXYZTag>},
    {csSig("curv"), checked<csICCcurvTag>}, {csSig("pseq"), checked<csICCpseqTag>},
    {csSig("psid"), checked<csICCpsidTag>}, {csSig("para"), checked<csICCparaTag>},
    {csSig("mft1"), checked<csICCmft1Tag>}, {csSig("mft2"), checked<csICCmft2Tag>},
    {csSig("mAB "), checked<csICCmABTag>},  {csSig("mBA "), checked<csICCmABTag>},
};

bool equalBytes(const csICCTag& a, const csICCTag& b)
{
    return a.size() == b.size() &&
           (a.size() == 0 || a.sharesBytesWith(b) || std::memcmp(a.data(), b.data(), a.size()) == 0);
}

uint64_t roundUpTo4(uint64_t value)
{
    return (value + 3) & ~uint64_t(3);
}

} // namespace

csICCTag* csICCTagTable::tagAt(uint32_t index) const
{
    return index < count() ? tags_[index].get() : nullptr;
}

bool csICCTagTable::contains(csSignature signature) const
{
    return indexOf(signature) >= 0;
}

csICCTag* csICCTagTable::find(csSignature signature) const
{
    const int index = indexOf(signature);
    return index >= 0 ? tags_[index].get() : nullptr;
}

int csICCTagTable::indexOf(csSignature signature) const
{
    for (std::size_t i = 0; i < tags_.size(); ++i)
        if (tags_[i]->signature() == signature)
            return static_cast<int>(i);
    return -1;
}

std::unique_ptr<csICCTag> csICCTagTable::tagFactory(csSignature signature, uint32_t size,
                                                    const uint8_t* bytes)
{
    if (!bytes && size > 0) {
        csErrorLog::error("null pointer", "tagFactory called with null pointer to data block!");
        return nullptr;
    }
    try {
        const csSignature type = size >= 4 ? csGetSignature(bytes) : 0;
        for (const auto& tagClass : tagClasses)
            if (tagClass.type == type)
                return tagClass.make(signature, size, bytes);
        return std::make_unique<csICCTag>(signature, size, bytes);
    } catch (const std::bad_alloc&) {
        csErrorLog::error("out of memory", "failed to allocate tag '%4s' (%u bytes)",
                          csSigText(signature).text, size);
        return nullptr;
    }
}

std::unique_ptr<csICCTag> csICCTagTable::copyOf(const csICCTag& tag, csSignature signature)
{
    std::vector<uint8_t> bytes;
    try {
        bytes.resize(tag.size());
    } catch (const std::bad_alloc&) {
        csErrorLog::error("out of memory", "failed to allocate tag '%4s' (%u bytes)", csSigText(signature).text,
                          tag.size());
        return nullptr;
    }
    tag.copyFileBytes(bytes.data());
    return tagFactory(signature, tag.size(), bytes.data());
}

int csICCTagTable::add(const csICCTag& tag)
{
    if (contains(tag.signature())) {
        csErrorLog::error("duplicate tag", "tried to add another tag '%4s'", csSigText(tag.signature()).text);
        return -1;
    }
    std::unique_ptr<csICCTag> copy = copyOf(tag, tag.signature());
    if (!copy)
        return -1;
    if (count() >= capacity_) {
        try {
            tags_.reserve(capacity_ + growthStep);
        } catch (const std::bad_alloc&) {
            csErrorLog::error("out of memory", "expand tag list failed (with %u entries)", capacity_);
            return -1;
        }
        capacity_ += growthStep;
    }
    tags_.push_back(std::move(copy));
    hasStorage_ = true;
    return 0;
}

int csICCTagTable::replace(csSignature signature, const csICCTag& tag)
{
    const int index = indexOf(signature);
    if (index < 0) {
        csErrorLog::error("tag not found", "tried to replace tag '%4s', which cannot be found",
                          csSigText(signature).text);
        return -1;
    }
    const csICCTag& existing = *tags_[index];
    if (tag.getType() != existing.getType()) {
        csErrorLog::error("tag mismatch", "tried to replace tag '%4s' (type '%4s') with a '%4s' (wrong type '%4s')",
                          csSigText(tag.signature()).text, csSigText(tag.getType()).text,
                          csSigText(existing.signature()).text, csSigText(existing.getType()).text);
        return -1;
    }
    std::unique_ptr<csICCTag> copy = copyOf(tag, signature);
    if (!copy)
        return -1;
    // The copy is made before the old tag goes, so tag may be the table's own object.
    tags_[index] = std::move(copy);
    return 0;
}

void csICCTagTable::replaceOrAdd(const csICCTag& tag)
{
    if (contains(tag.signature())) {
        replace(tag.signature(), tag);
        return;
    }
    csErrorLog::warning("tag not found", "tried to replace tag '%4s', which cannot be found. Adding tag instead",
                        csSigText(tag.signature()).text);
    add(tag);
}

int csICCTagTable::replaceAt(uint32_t index, const csICCTag& tag)
{
    if (index >= count()) {
        csErrorLog::error("index out of bounds", "tried to replace tag index %u of %u", index, count());
        return -1;
    }
    std::unique_ptr<csICCTag> copy = copyOf(tag, tag.signature());
    if (!copy)
        return -1;
    tags_[index] = std::move(copy);
    return 0;
}

int csICCTagTable::remove(uint32_t index)
{
    if (index >= count()) {
        csErrorLog::error("index out of bounds", "tried to replace tag index %u of %u", index, count());
        return -1;
    }
    tags_.erase(tags_.begin() + index);
    return 0;
}

bool csICCTagTable::sameData(csSignature first, csSignature second) const
{
    const csICCTag* a = find(first);
    const csICCTag* b = find(second);
    return a && b && equalBytes(*a, *b);
}

int csICCTagTable::readDirectory(const uint8_t* block, uint32_t profileSize,
                                 std::vector<csICCTagDirEntry>& entries)
{
    entries.clear();
    if (profileSize < directoryOffset) {
        csErrorLog::error("bad tagtable", "profile of %u bytes has no room for a tag count", profileSize);
        return -1;
    }
    const uint32_t tagCount = csGetUInt32(block + csICCProfileHeader::size);
    const uint64_t directoryEnd = directoryOffset + uint64_t(directoryEntrySize) * tagCount;
    if (directoryEnd > profileSize) {
        csErrorLog::error("bad tagtable", "tag count %u needs a directory of %llu bytes, larger than profile %u",
                          tagCount, static_cast<unsigned long long>(directoryEnd), profileSize);
        return -1;
    }
    entries.reserve(tagCount);
    for (uint32_t i = 0; i < tagCount; ++i) {
        const uint8_t* entry = block + directoryOffset + directoryEntrySize * i;
        const csICCTagDirEntry e = {csGetSignature(entry), csGetUInt32(entry + 4), csGetUInt32(entry + 8)};
        if (e.offset >= profileSize || uint64_t(e.offset) + e.size > profileSize) {
            csErrorLog::error("bad tagtable", "tag '%4s' offset %u, size %u larger than profile %u",
                              csSigText(e.signature).text, e.offset, e.size, profileSize);
            entries.clear();
            return -1;
        }
        // A tag of no bytes would be written at the very end of the profile,
        // where no reader accepts an offset.
        if (e.size == 0) {
            csErrorLog::error("bad tagtable", "tag '%4s' at offset %u has size 0",
                              csSigText(e.signature).text, e.offset);
            entries.clear();
            return -1;
        }
        entries.push_back(e);
    }
    return 0;
}

int csICCTagTable::fromMemory(const uint8_t* block, uint32_t profileSize)
{
    tags_.clear();
    capacity_ = 0;
    hasStorage_ = false;

    std::vector<csICCTagDirEntry> entries;
    if (readDirectory(block, profileSize, entries) != 0)
        return -1;

    std::vector<std::unique_ptr<csICCTag>> tags;
    tags.reserve(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const csICCTagDirEntry& e = entries[i];
        csErrorLog::info("added tag", "found tag '%4s' size %u", csSigText(e.signature).text, e.size);
        // A tag the directory places where an earlier one lies holds that
        // one's bytes until either changes.
        std::unique_ptr<csICCTag> tag;
        for (std::size_t j = 0; j < i && !tag; ++j)
            if (entries[j].offset == e.offset && entries[j].size == e.size)
                tag = tags[j]->sharingCopy(e.signature);
        if (!tag)
            tag = tagFactory(e.signature, e.size, block + e.offset);
        if (!tag)
            return -1;
        tags.push_back(std::move(tag));
    }
    tags_ = std::move(tags);
    capacity_ = count();
    hasStorage_ = true;
    return 0;
}

int csICCTagTable::assemble(std::vector<uint8_t>& block)
{
    block.clear();
    if (!hasStorage_) {
        csErrorLog::error("no profile data", "tried to write a profile without tag list (null pointer)");
        return -1;
    }
    if (capacity_ == 0)
        csErrorLog::warning("empty profile", "tried to write a profile with empty tag list");

    // Tags compare in file byte order, so every tag turns its bytes back first.
    for (auto& tag : tags_)
        tag->prepareForWrite();

    // Each tag's data is stored once: a tag that holds another's bytes (as
    // tags the read profile stored at one place do until one changes) or
    // bytes equal to another's goes where the first of them goes. Sorted by
    // size and then bytes, equal tags stand together; bytes are compared
    // only between tags of one size, and not at all where they are held
    // together.
    const uint32_t n = count();
    std::vector<uint32_t> offsets(n);
    std::vector<int> sameAs(n, -1);
    std::vector<uint32_t> order(n);
    for (uint32_t i = 0; i < n; ++i)
        order[i] = i;
    auto compareBytes = [this](uint32_t a, uint32_t b) {
        const csICCTag& x = *tags_[a];
        const csICCTag& y = *tags_[b];
        if (x.size() != y.size())
            return x.size() < y.size() ? -1 : 1;
        return x.size() == 0 || x.sharesBytesWith(y) ? 0 : std::memcmp(x.data(), y.data(), x.size());
    };
    std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
        const int bytes = compareBytes(a, b);
        return bytes != 0 ? bytes < 0 : a < b;
    });
    for (uint32_t k = 1; k < n; ++k) {
        const uint32_t first = sameAs[order[k - 1]] >= 0 ? static_cast<uint32_t>(sameAs[order[k - 1]]) : order[k - 1];
        if (compareBytes(first, order[k]) == 0)
            sameAs[order[k]] = static_cast<int>(first);
    }
    uint64_t end = directoryOffset + uint64_t(directoryEntrySize) * n;
    for (uint32_t i = 0; i < n; ++i) {
        const uint64_t offset = sameAs[i] >= 0 ? offsets[sameAs[i]] : end;
        if (offset > UINT32_MAX) {
            csErrorLog::error("out of memory", "profile body exceeds %u bytes", UINT32_MAX);
            return -1;
        }
        offsets[i] = static_cast<uint32_t>(offset);
        end = std::max(end, roundUpTo4(offset + tags_[i]->size()));
    }
    if (end > UINT32_MAX) {
        csErrorLog::error("out of memory", "profile body exceeds %u bytes", UINT32_MAX);
        return -1;
    }

    // Written front to back, every byte once: the header's place (the
    // profile fills it), the directory, each tag's data and the zeros up to
    // the next multiple of 4.
    try {
        block.reserve(static_cast<std::size_t>(end));
    } catch (const std::bad_alloc&) {
        csErrorLog::error("out of memory", "failed to allocate tag table (%llu bytes)",
                          static_cast<unsigned long long>(end));
        return -1;
    }
    block.resize(directoryOffset);
    csSetUInt32(block.data() + csICCProfileHeader::size, n);
    for (uint32_t i = 0; i < n; ++i) {
        uint8_t entry[directoryEntrySize];
        csSetSignature(entry, tags_[i]->signature());
        csSetUInt32(entry + 4, offsets[i]);
        csSetUInt32(entry + 8, tags_[i]->size());
        block.insert(block.end(), entry, entry + directoryEntrySize);
    }
    for (uint32_t i = 0; i < n; ++i) {
        const csICCTag& tag = *tags_[i];
        if (sameAs[i] >= 0 || tag.size() == 0)
            continue;
        block.resize(offsets[i], 0);
        block.insert(block.end(), tag.data(), tag.data() + tag.size());
    }
    block.resize(static_cast<std::size_t>(end), 0);
    return 0;
}
