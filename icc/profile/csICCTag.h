#pragma once
// Base of every tag: the directory signature and the tag's complete bytes as
// they stand in the file (type signature, four reserved bytes, content).
// Derived classes read and write their content in place in these bytes, so a
// tag is always ready to be written.

#include "csICCNumber.h"

#include <cstdint>
#include <memory>

class csICCTag
{
public:
    // Copies size bytes; bytes may be null only when size is 0.
    csICCTag(csSignature signature, uint32_t size, const uint8_t* bytes);
    csICCTag(const csICCTag& other);
    csICCTag& operator=(const csICCTag& other);
    virtual ~csICCTag();

    // Called while a profile is assembled, just before the bytes are copied;
    // a tag that holds its bytes in another order turns them back here.
    virtual void prepareForWrite();
    // The size bytes as they would stand in a file, whatever order the tag
    // keeps them in; copies of a tag are made from these.
    virtual void copyFileBytes(uint8_t* destination) const;

    csSignature signature() const { return signature_; }
    void setSignature(csSignature signature) { signature_ = signature; }

    uint32_t size() const { return size_; }
    const uint8_t* data() const { return data_.get(); }
    uint8_t* data() { return data_.get(); }
    void setData(uint32_t size, const uint8_t* bytes);

    // The type signature in the first four bytes; 0 for a tag too short to
    // have one (a file can hold such a tag, so this is not a broken contract).
    csSignature getType() const;

protected:
    csSignature signature_;
    uint32_t size_;
    std::unique_ptr<uint8_t[]> data_;
};
