#pragma once
// Numbers for files others read: a dot as decimal separator whatever the
// locale (the window runs in the user's), a fixed count of decimals, no
// "-0.00", and "-" for a value that is not finite.

#include <cstddef>
#include <string>

std::string fixedNumber(double value, int decimals);

// A count for people to read: 1617 -> "1,617".
std::string withThousands(std::size_t n);
