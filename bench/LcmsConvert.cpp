// The Little CMS side of the convert comparison: what `vestrel-cli convert
// PROFILE b2a|a2b` does, with the standard library's number reading and
// writing (std::from_chars, std::to_chars with four decimals) and Little
// CMS's 16-bit absolute colorimetric transform between the profile and Lab
// D50: the same lines in, the same batches of 4,096 colours, the same Lab
// encoding, the same text out.

#include <lcms2.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

inline bool isSeparator(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool parseNumbers(const char* p, const char* end, std::vector<double>& numbers)
{
    numbers.clear();
    for (;;) {
        while (p < end && isSeparator(*p))
            ++p;
        if (p == end)
            return true;
        if (*p == '+' && p + 1 < end && p[1] != '-')
            ++p;
        double v;
        const std::from_chars_result read = std::from_chars(p, end, v);
        if (read.ec != std::errc() || !std::isfinite(v) || (read.ptr < end && !isSeparator(*read.ptr)))
            return false;
        numbers.push_back(v);
        p = read.ptr;
    }
}

uint16_t code16(double v)
{
    return !(v > 0.0) ? 0 : v >= 65535.0 ? 65535 : static_cast<uint16_t>(v + 0.5);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3 || (std::strcmp(argv[2], "a2b") != 0 && std::strcmp(argv[2], "b2a") != 0)) {
        std::fprintf(stderr, "usage: lcms-convert PROFILE a2b|b2a\n");
        return 2;
    }
    cmsHPROFILE profile = cmsOpenProfileFromFile(argv[1], "r");
    if (!profile)
        return 1;
    cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
    const bool toLab = argv[2][0] == 'a';
    const bool cmyk = cmsGetColorSpace(profile) == cmsSigCmykData;
    const cmsUInt32Number device = cmyk ? TYPE_CMYK_16 : TYPE_RGB_16;
    const unsigned deviceChannels = cmyk ? 4 : 3;
    cmsHTRANSFORM transform = toLab
                                  ? cmsCreateTransform(profile, device, lab, TYPE_Lab_16, INTENT_ABSOLUTE_COLORIMETRIC, 0)
                                  : cmsCreateTransform(lab, TYPE_Lab_16, profile, device, INTENT_ABSOLUTE_COLORIMETRIC, 0);
    if (!transform)
        return 1;
    const unsigned inChannels = toLab ? deviceChannels : 3, outChannels = toLab ? 3 : deviceChannels;

    constexpr std::size_t batch = 4096;
    std::vector<char> buffer(1 << 16), text(batch * 4 * 32);
    std::vector<double> numbers, values;
    std::vector<uint16_t> in, out;
    std::size_t start = 0, filled = 0;
    bool atEnd = false;
    auto flush = [&] {
        const std::size_t count = values.size() / inChannels;
        if (count == 0)
            return;
        in.resize(count * inChannels);
        out.resize(count * outChannels);
        for (std::size_t i = 0; i < count; ++i)
            for (unsigned c = 0; c < inChannels; ++c) {
                const double v = values[i * inChannels + c];
                in[i * inChannels + c] = toLab ? static_cast<uint16_t>(std::lround(v / 100.0 * 65535.0))
                                         : c == 0 ? code16(v * 655.35)
                                                  : code16(v * 257.0 + 32896.0);
            }
        cmsDoTransform(transform, in.data(), out.data(), static_cast<cmsUInt32Number>(count));
        char* p = text.data();
        char* const end = p + text.size();
        for (std::size_t i = 0; i < count * outChannels; ++i) {
            const unsigned c = static_cast<unsigned>(i % outChannels);
            const double v = !toLab     ? out[i] / 65535.0 * 100.0
                             : c == 0   ? out[i] / 655.35
                                        : (out[i] - 32896.0) / 257.0;
            p = std::to_chars(p, end, std::abs(v) < 0.00005 ? 0.0 : v, std::chars_format::fixed, 4).ptr;
            *p++ = (i + 1) % outChannels ? ' ' : '\n';
        }
        std::fwrite(text.data(), 1, static_cast<std::size_t>(p - text.data()), stdout);
        values.clear();
    };
    for (;;) {
        const char* first = buffer.data() + start;
        const char* newline = static_cast<const char*>(std::memchr(first, '\n', filled - start));
        if (!newline && !atEnd) {
            std::memmove(buffer.data(), buffer.data() + start, filled - start);
            filled -= start;
            start = 0;
            const std::size_t read = std::fread(buffer.data() + filled, 1, buffer.size() - filled, stdin);
            filled += read;
            atEnd = read == 0;
            continue;
        }
        const std::size_t length = newline ? static_cast<std::size_t>(newline - first) : filled - start;
        if (!newline && length == 0)
            break;
        start += length + (newline ? 1 : 0);
        const char* p = first;
        const char* end = first + length;
        while (p < end && isSeparator(*p))
            ++p;
        if (p == end || *p == '#')
            continue;
        if (!parseNumbers(p, end, numbers) || numbers.size() != inChannels)
            continue;
        values.insert(values.end(), numbers.begin(), numbers.end());
        if (values.size() == batch * inChannels)
            flush();
    }
    flush();
    cmsDeleteTransform(transform);
    cmsCloseProfile(lab);
    cmsCloseProfile(profile);
    return 0;
}
