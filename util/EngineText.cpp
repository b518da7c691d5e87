#include "EngineText.h"

std::string EngineText::english() const
{
    if (values.empty())
        return text;
    std::vector<std::string> filled;
    filled.reserve(values.size());
    for (const EngineText& value : values)
        filled.push_back(value.english());
    return fillIn(text, filled);
}

std::string fillIn(std::string_view pattern, const std::vector<std::string>& values)
{
    std::string out;
    out.reserve(pattern.size() + 16 * values.size());
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' && pattern[i + 1] <= '9') {
            const std::size_t k = static_cast<std::size_t>(pattern[i + 1] - '1');
            if (k < values.size()) {
                out += values[k];
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}
