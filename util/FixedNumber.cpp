#include "FixedNumber.h"

#include <charconv>
#include <cmath>

std::string fixedNumber(double value, int decimals)
{
    if (!std::isfinite(value))
        return "-";
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    if (result.ec != std::errc())
        return "-";
    std::string number(text, result.ptr);
    if (number[0] == '-' && number.find_first_not_of("-0.") == std::string::npos)
        number.erase(0, 1);
    return number;
}

std::string withThousands(std::size_t n)
{
    std::string digits = std::to_string(n);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(static_cast<std::size_t>(i), ",");
    return digits;
}
