#include "csICCTag.h"

#include <cassert>
#include <cstring>

namespace {

std::shared_ptr<uint8_t[]> copyBytes(uint32_t size, const uint8_t* bytes)
{
    if (size == 0)
        return nullptr;
    assert(bytes != 0);
    std::shared_ptr<uint8_t[]> copy(new uint8_t[size]);
    std::memcpy(copy.get(), bytes, size);
    return copy;
}

} // namespace

csICCTag::csICCTag(csSignature signature, uint32_t size, const uint8_t* bytes)
    : signature_(signature), size_(size), data_(copyBytes(size, bytes))
{
}

csICCTag::csICCTag(const csICCTag& other)
    : signature_(other.signature_), size_(other.size_), data_(copyBytes(other.size_, other.data_.get()))
{
}

csICCTag& csICCTag::operator=(const csICCTag& other)
{
    if (this != &other) {
        data_ = copyBytes(other.size_, other.data_.get());
        size_ = other.size_;
        signature_ = other.signature_;
    }
    return *this;
}

csICCTag::~csICCTag() = default;

void csICCTag::prepareForWrite()
{
}

void csICCTag::copyFileBytes(uint8_t* destination) const
{
    if (size_ > 0)
        std::memcpy(destination, data_.get(), size_);
}

void csICCTag::setData(uint32_t size, const uint8_t* bytes)
{
    // Copy first: bytes may point into the block being replaced.
    std::shared_ptr<uint8_t[]> copy = copyBytes(size, bytes);
    data_ = std::move(copy);
    size_ = size;
}

csICCTag::csICCTag(const csICCTag& other, csSignature signature, Sharing)
    : signature_(signature), size_(other.size_), data_(other.data_)
{
}

std::unique_ptr<csICCTag> csICCTag::sharingCopy(csSignature) const
{
    return nullptr;
}

void csICCTag::ownBytes() const
{
    if (!data_ || data_.use_count() == 1)
        return;
    std::shared_ptr<uint8_t[]> copy = copyBytes(size_, data_.get());
    const uint8_t* from = data_.get();
    data_ = std::move(copy);
    bytesMoved(from, data_.get());
}

void csICCTag::bytesMoved(const uint8_t*, uint8_t*) const
{
}

csSignature csICCTag::getType() const
{
    return size_ >= 4 ? csGetSignature(data_.get()) : 0;
}
