#include "csICCpseqTag.h"

#include "csErrorLog.h"
#include "csICCProfileHeader.h"
#include "csICCdescTag.h"
#include "csICCmlucTag.h"

#include <cstring>
#include <new>

namespace {

constexpr uint32_t countOffset = 8;

const uint8_t emptyTag[csICCpseqTag::descriptionsOffset] = {'p', 's', 'e', 'q', 0, 0, 0, 0, 0, 0, 0, 0};

enum class Fault { None, Fields, ManufacturerType, ManufacturerSize, ModelType, ModelSize };

struct Walk
{
    uint32_t offset;      // behind the last description walked
    Fault fault;
    uint32_t description; // the one at fault
    csSignature type;     // its embedded tag's type, for type faults
};

bool isDescriptionType(csSignature type)
{
    return type == csSig("desc") || type == csSig("mluc");
}

// Size of a "desc" or "mluc" tag within available bytes, or 0.
uint32_t embeddedSize(csSignature type, const uint8_t* p, uint32_t available)
{
    if (type == csSig("desc"))
        return csICCdescTag::measure(p, available);
    if (type == csSig("mluc"))
        return csICCmlucTag::measure(p, available);
    return 0;
}

uint32_t alignUp(uint32_t offset)
{
    return (offset + 3) & ~uint32_t(3);
}

// The offset behind zero fill up to the next multiple of 4, or 0 when the
// fill is not zero or reaches beyond size.
uint32_t skipPadding(const uint8_t* d, uint32_t size, uint32_t offset)
{
    const uint64_t aligned = (uint64_t(offset) + 3) & ~uint64_t(3);
    if (aligned > size)
        return 0;
    for (uint64_t i = offset; i < aligned; ++i)
        if (d[i] != 0)
            return 0;
    return static_cast<uint32_t>(aligned);
}

// Walks count descriptions from offset, measuring both embedded tags of each
// within the size bytes of d. Padded: every description and embedded tag
// starts on a multiple of 4 behind zero fill, as Little CMS writes version 2
// sequences; ICC.1 lays them back to back.
Walk walk(const uint8_t* d, uint32_t size, uint32_t offset, uint32_t count, bool padded)
{
    for (uint32_t k = 0; k < count; ++k) {
        if (padded && (offset = skipPadding(d, size, offset)) == 0)
            return {offset, Fault::Fields, k, 0};
        if (uint64_t(offset) + csICCpseqTag::fieldsSize > size)
            return {offset, Fault::Fields, k, 0};
        uint32_t at = offset + csICCpseqTag::fieldsSize;
        for (bool model : {false, true}) {
            const Fault sizeFault = model ? Fault::ModelSize : Fault::ManufacturerSize;
            if (padded && (at = skipPadding(d, size, at)) == 0)
                return {offset, sizeFault, k, 0};
            if (size - at < 4)
                return {offset, sizeFault, k, 0};
            const csSignature type = csGetSignature(d + at);
            if (!isDescriptionType(type))
                return {offset, model ? Fault::ModelType : Fault::ManufacturerType, k, type};
            const uint32_t part = embeddedSize(type, d + at, size - at);
            if (part == 0)
                return {offset, sizeFault, k, type};
            at += part;
        }
        offset = at;
    }
    return {offset, Fault::None, count, 0};
}

// Whether the tag's descriptions only fit when padded; a tag that fits
// neither way is read back to back, so that its faults are reported as such.
bool isPadded(const uint8_t* d, uint32_t size)
{
    if (size < csICCpseqTag::descriptionsOffset)
        return false;
    const uint32_t count = csGetUInt32(d + countOffset);
    return walk(d, size, csICCpseqTag::descriptionsOffset, count, false).fault != Fault::None &&
           walk(d, size, csICCpseqTag::descriptionsOffset, count, true).fault == Fault::None;
}

void logTypeWarning(const Walk& w, uint32_t requested)
{
    const csSigText type(w.type);
    if (w.fault == Fault::ManufacturerType)
        csErrorLog::warning("illegal manufacturer description",
                            "pseq: wrong tag type %s in manufacturer description #%u", type.text, requested);
    else
        csErrorLog::warning("illegal model description", "pseq: wrong tag type %s in model description #%u", type.text,
                            requested);
}

void logSizeError(const Walk& w, csSignature signature, uint32_t size)
{
    csErrorLog::error("corrupt tag data", "pseq tag '%4s': description #%u does not fit in the tag's %u bytes",
                      csSigText(signature).text, w.description, size);
}

} // namespace

bool csICCpseqTag::checkLayout(csSignature signature, uint32_t size, const uint8_t* bytes)
{
    const csSigText name(signature);
    if (!bytes || size < descriptionsOffset || csGetSignature(bytes) != csSig("pseq")) {
        csErrorLog::error("corrupt tag data", "tag '%4s' of %u bytes is no pseq tag", name.text, bytes ? size : 0);
        return false;
    }
    const Walk w = walk(bytes, size, descriptionsOffset, csGetUInt32(bytes + countOffset), isPadded(bytes, size));
    switch (w.fault) {
    case Fault::None:
        return true;
    case Fault::ManufacturerType:
    case Fault::ModelType:
        csErrorLog::error("corrupt tag data", "pseq tag '%4s': %s description #%u has type '%4s', not 'desc' or 'mluc'",
                          name.text, w.fault == Fault::ModelType ? "model" : "manufacturer", w.description,
                          csSigText(w.type).text);
        return false;
    default:
        logSizeError(w, signature, size);
        return false;
    }
}

csICCpseqTag::csICCpseqTag()
    : csICCTag(csSig("pseq"), descriptionsOffset, emptyTag)
{
}

csICCpseqTag::csICCpseqTag(csSignature signature, uint32_t size, const uint8_t* bytes)
    : csICCTag(signature, size, bytes)
{
}

uint32_t csICCpseqTag::count() const
{
    return size_ >= descriptionsOffset ? csGetUInt32(data_.get() + countOffset) : 0;
}

uint32_t csICCpseqTag::findDescriptionOffset(uint32_t index) const
{
    if (index >= count())
        return 0;
    if (index == 0)
        return descriptionsOffset;
    const bool padded = isPadded(data_.get(), size_);
    const Walk w = walk(data_.get(), size_, descriptionsOffset, index, padded);
    switch (w.fault) {
    case Fault::None:
        // isPadded has checked the fill of the whole tag.
        return padded ? alignUp(w.offset) : w.offset;
    case Fault::ManufacturerType:
    case Fault::ModelType:
        logTypeWarning(w, index);
        return 0;
    default:
        logSizeError(w, signature_, size_);
        return 0;
    }
}

int csICCpseqTag::getDescription(uint32_t index, csSignature& manufacturer, csSignature& model, uint64_t& attributes,
                                 csSignature& technology) const
{
    const uint32_t offset = findDescriptionOffset(index);
    if (offset == 0) {
        csErrorLog::warning("could not find description", "pseq: findDescriptionOffset(%u) failed", index);
        return -1;
    }
    // The description itself: findDescriptionOffset only walked those before it.
    const Walk w = walk(data_.get(), size_, offset, 1, isPadded(data_.get(), size_));
    if (w.fault == Fault::ManufacturerType || w.fault == Fault::ModelType) {
        logTypeWarning(w, index);
        return -1;
    }
    if (w.fault != Fault::None) {
        logSizeError({offset, w.fault, index, w.type}, signature_, size_);
        return -1;
    }
    const uint8_t* p = data_.get() + offset;
    manufacturer = csGetSignature(p);
    model = csGetSignature(p + 4);
    attributes = csGetUInt64(p + 8);
    technology = csGetSignature(p + 16);
    return 0;
}

int csICCpseqTag::addDescription(const csICCProfileHeader& header, const csICCTag* technology,
                                 const csICCTag* manufacturer, const csICCTag* model)
{
    const csSigText name(signature_);
    const bool padded = isPadded(data_.get(), size_);
    const Walk w = size_ >= descriptionsOffset ? walk(data_.get(), size_, descriptionsOffset, count(), padded)
                                               : Walk{0, Fault::Fields, 0, 0};
    if (w.fault != Fault::None) {
        csErrorLog::error("corrupt tag data", "addDescription: tag '%4s' holds no complete pseq data", name.text);
        return -1;
    }

    // An absent description is written as an empty one, so that the
    // descriptions behind it can still be found.
    const csICCdescTag emptyDesc("");
    const csICCmlucTag emptyMluc;
    const csICCTag& empty = header.majorVersion() >= 4 ? static_cast<const csICCTag&>(emptyMluc) : emptyDesc;
    const csICCTag* parts[2] = {manufacturer ? manufacturer : &empty, model ? model : &empty};
    uint32_t partSize[2] = {};
    for (int i = 0; i < 2; ++i) {
        // Only the bytes the counts give: padding would misplace every later
        // description.
        partSize[i] = embeddedSize(parts[i]->getType(), parts[i]->data(), parts[i]->size());
        if (partSize[i] == 0) {
            csErrorLog::error("wrong tag type", "addDescription: %s description '%4s' is no valid 'desc' or 'mluc' tag",
                              i == 0 ? "manufacturer" : "model", csSigText(parts[i]->signature()).text);
            return -1;
        }
    }
    // A padded tag stays padded, so that it is still read the same way.
    const uint64_t start = padded ? (uint64_t(w.offset) + 3) & ~uint64_t(3) : w.offset;
    const uint64_t modelAt = start + fieldsSize + partSize[0];
    const uint64_t modelStart = padded ? (modelAt + 3) & ~uint64_t(3) : modelAt;
    const uint64_t newSize = modelStart + partSize[1];
    if (newSize > UINT32_MAX) {
        csErrorLog::error("tag too large", "addDescription: pseq tag '%4s' would grow beyond 4 GB", name.text);
        return -1;
    }
    std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[newSize]());
    if (!block) {
        csErrorLog::error("out of memory", "addDescription: failed to allocate %llu bytes",
                          static_cast<unsigned long long>(newSize));
        return -1;
    }
    if (technology)
        csErrorLog::warning("not implemented", "pseq: technology tag not implemented yet");

    uint8_t* d = block.get();
    std::memcpy(d, data_.get(), w.offset);
    uint8_t* p = d + start;
    csSetSignature(p, header.manufacturer());
    csSetSignature(p + 4, header.model());
    csSetUInt64(p + 8, header.attributes());
    csSetUInt32(p + 16, 0);
    std::memcpy(p + fieldsSize, parts[0]->data(), partSize[0]);
    std::memcpy(d + modelStart, parts[1]->data(), partSize[1]);
    csSetUInt32(d + countOffset, count() + 1);
    data_ = std::move(block);
    size_ = static_cast<uint32_t>(newSize);
    return 0;
}
