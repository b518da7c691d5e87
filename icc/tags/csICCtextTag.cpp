#include "csICCtextTag.h"

#include "csErrorLog.h"

#include <cstring>
#include <new>

bool csICCtextTag::checkLayout(csSignature signature, uint32_t size, const uint8_t* bytes)
{
    const csSigText name(signature);
    if (!bytes || size < 4 || csGetSignature(bytes) != csSig("text")) {
        csErrorLog::error("wrong tag type", "tag '%4s' of %u bytes is not of type 'text'", name.text,
                          bytes ? size : 0);
        return false;
    }
    if (size <= textOffset || !std::memchr(bytes + textOffset, 0, size - textOffset)) {
        csErrorLog::error("corrupt tag data", "text tag '%4s' has no terminating zero within its %u bytes",
                          name.text, size);
        return false;
    }
    return true;
}

csICCtextTag::csICCtextTag(csSignature signature, uint32_t size, const uint8_t* bytes)
    : csICCTag(signature, size, bytes)
{
}

csICCtextTag::csICCtextTag(const char* text)
    : csICCTag(0, 0, nullptr)
{
    setText(text);
}

csICCtextTag::csICCtextTag(csSignature signature, const char* text)
    : csICCTag(signature, 0, nullptr)
{
    setText(text);
}

csICCtextTag& csICCtextTag::operator=(const csICCtextTag& other)
{
    if (this != &other)
        setText(other.text());
    return *this;
}

int csICCtextTag::setText(const char* text)
{
    if (!text) {
        csErrorLog::error("null pointer", "setText(const char*) called with null pointer");
        return -1;
    }
    const std::size_t length = std::strlen(text);
    const uint64_t size = uint64_t(textOffset) + length + 1;
    if (size > UINT32_MAX) {
        csErrorLog::error("text too long", "setText: a text of %zu bytes does not fit in a tag", length);
        return -1;
    }
    std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[size]());
    if (!block) {
        csErrorLog::error("out of memory", "setText: failed to allocate %llu bytes",
                          static_cast<unsigned long long>(size));
        return -1;
    }
    csSetSignature(block.get(), csSig("text"));
    std::memcpy(block.get() + textOffset, text, length);
    data_ = std::move(block);
    size_ = static_cast<uint32_t>(size);
    return 0;
}

const char* csICCtextTag::text() const
{
    if (size_ <= textOffset || !std::memchr(data_.get() + textOffset, 0, size_ - textOffset))
        return nullptr;
    return reinterpret_cast<const char*>(data_.get() + textOffset);
}
