#pragma once
// Base of every tag: the directory signature and the tag's complete bytes as
// they stand in the file (type signature, four reserved bytes, content).
// Derived classes read and write their content in place in these bytes, so a
// tag is always ready to be written.
//
// Tags that a file stores at the same place may hold the same bytes (see
// sharingCopy) until one of them is to change: whatever hands out writable
// bytes or writes them first takes a copy of its own (ownBytes).

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
    // Writable: the tag's own bytes from here on.
    uint8_t* data()
    {
        ownBytes();
        return data_.get();
    }
    void setData(uint32_t size, const uint8_t* bytes);

    // A tag of the same class under another signature that holds the same
    // bytes, without a copy; null for classes that cannot share (those whose
    // every write and writable pointer goes through ownBytes can).
    virtual std::unique_ptr<csICCTag> sharingCopy(csSignature signature) const;
    // Whether another tag holds the same bytes (not merely equal ones).
    bool sharesBytesWith(const csICCTag& other) const { return data_ && data_ == other.data_; }

    // The type signature in the first four bytes; 0 for a tag too short to
    // have one (a file can hold such a tag, so this is not a broken contract).
    csSignature getType() const;

protected:
    struct Sharing
    {
    };
    // other's bytes under another signature.
    csICCTag(const csICCTag& other, csSignature signature, Sharing);

    // Makes the bytes the tag's own if it holds them with others, then
    // tells the class where they went.
    void ownBytes() const;
    // Pointers into the bytes are to move by the same amount.
    virtual void bytesMoved(const uint8_t* from, uint8_t* to) const;

    csSignature signature_;
    uint32_t size_;
    mutable std::shared_ptr<uint8_t[]> data_;
};
