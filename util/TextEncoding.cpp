#include "TextEncoding.h"

namespace {

constexpr char32_t replacement = 0xFFFD;

void appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

} // namespace

std::vector<char32_t> utf8CodePoints(std::string_view text)
{
    std::vector<char32_t> points;
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        const int extra = lead < 0x80 ? 0 : (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2
                                                                  : (lead & 0xF8) == 0xF0 ? 3 : -1;
        char32_t c = extra == 0 ? lead : extra == 1 ? lead & 0x1F : extra == 2 ? lead & 0x0F : lead & 0x07;
        bool valid = extra >= 0 && i + extra < text.size();
        for (int k = 1; valid && k <= extra; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + k]);
            valid = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and values beyond Unicode are invalid too.
        static const char32_t smallest[] = {0, 0x80, 0x800, 0x10000};
        valid = valid && c >= smallest[extra] && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
        points.push_back(valid ? c : replacement);
        i += valid ? extra + 1 : 1;
    }
    return points;
}

std::string xmlEscaped(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char32_t c : utf8CodePoints(text)) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default:
            if (c >= 0x20 || c == '\t' || c == '\n' || c == '\r')
                appendUtf8(out, c == 0xFFFE || c == 0xFFFF ? replacement : c);
        }
    }
    return out;
}

std::string printable(std::string_view text)
{
    static const char hex[] = "0123456789abcdef";
    auto escape = [&](std::string& out, unsigned char byte) {
        out += "\\x";
        out += hex[byte >> 4];
        out += hex[byte & 0xF];
    };
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x20 || lead == 0x7F) {
            escape(out, lead);
            ++i;
            continue;
        }
        if (lead < 0x80) {
            out += static_cast<char>(lead);
            ++i;
            continue;
        }
        // One code point: copied when it is valid UTF-8 and no C1 control;
        // otherwise its lead byte is escaped and the rest looked at anew.
        const int extra = (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2 : (lead & 0xF8) == 0xF0 ? 3 : 0;
        const std::string_view sequence = text.substr(i, static_cast<std::size_t>(extra) + 1);
        const std::vector<char32_t> points = extra ? utf8CodePoints(sequence) : std::vector<char32_t>();
        const bool valid = points.size() == 1 && (points[0] != replacement || sequence == "\xEF\xBF\xBD");
        if (valid && points[0] > 0x9F) {
            out.append(sequence);
            i += sequence.size();
        } else {
            escape(out, lead);
            ++i;
        }
    }
    return out;
}
