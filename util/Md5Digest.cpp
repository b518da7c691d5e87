#include "Md5Digest.h"

#include <sys/types.h>

#include <md5.h>

std::string md5Hex(const void* data, std::size_t size)
{
    MD5_CTX context;
    MD5Init(&context);
    MD5Update(&context, static_cast<const uint8_t*>(data), size);
    uint8_t digest[MD5_DIGEST_LENGTH];
    MD5Final(digest, &context);
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (uint8_t byte : digest) {
        text += digits[byte >> 4];
        text += digits[byte & 0x0F];
    }
    return text;
}
