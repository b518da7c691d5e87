#pragma once
// MD5 of a block of bytes as 32 lower-case hex digits, the form in which
// reports name a file.

#include <cstddef>
#include <string>

std::string md5Hex(const void* data, std::size_t size);
