#include "BenchmarkData.h"

#include <fstream>
#include <iterator>
#include <random>
#include <string>

const std::vector<uint8_t>& sampleProfileBytes()
{
    static const std::vector<uint8_t> bytes = [] {
        std::ifstream in(std::string(VESTREL_SAMPLES) + "/cmyk_v2.icc", std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }();
    return bytes;
}

std::vector<uint16_t> randomCodes(std::size_t count, unsigned channels)
{
    std::mt19937 random(2024);
    std::uniform_int_distribution<int> code(0, 65535);
    std::vector<uint16_t> codes(count * channels);
    for (uint16_t& c : codes)
        c = static_cast<uint16_t>(code(random));
    return codes;
}
