// The 16-bit conversions against the floating-point ones of the same
// converter: the absolute white scaling over a grid of the whole Lab
// encoding, where light saturated blues reach Z far above what a 16-bit
// XYZ code holds.

#include "TestSupport.h"
#include "V4Profiles.h"
#include "csErrorLog.h"
#include "csICCPCS.h"
#include "csICCProfile.h"
#include "csICCProfileConverter.h"
#include "csICCmABInterpolator.h"
#include "csICCmftInterpolator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <tuple>
#include <vector>

namespace {

struct Profile
{
    const char* file;
    V4Tables tables;
};

const Profile profiles[] = {
    {"cmyk_v2.icc", V4Tables::None},     {"rgb_v2_lut8.icc", V4Tables::None},
    {"rgb_xyz_pcs.icc", V4Tables::None}, {"cmyk_v2.icc", V4Tables::Reshaped},
    {"rgb_v2_lut8.icc", V4Tables::Same}, {"rgb_xyz_pcs.icc", V4Tables::Reshaped},
};

std::string nameOf(const Profile& p)
{
    return std::string(p.file) + (p.tables == V4Tables::None ? "" : p.tables == V4Tables::Same ? " v4" : " reshaped v4");
}

// L* in steps of 2.5, a* and b* in steps of 5 over the whole encoding, as
// Lab v4 codes; for an XYZ connection space the same colours as XYZ codes,
// which the encoding limits to just under 2.
std::vector<uint16_t> labGrid(bool xyz)
{
    std::vector<uint16_t> codes;
    for (double L = 0; L <= 100; L += 2.5)
        for (double a = -128; a <= 127; a += 5)
            for (double b = -128; b <= 127; b += 5) {
                codes.push_back(csRoundToCode16(L * 655.35));
                codes.push_back(csRoundToCode16(a * 257 + 32896));
                codes.push_back(csRoundToCode16(b * 257 + 32896));
            }
    if (xyz)
        csICCPCS::LabtoXYZ(codes.data(), codes.data(), codes.size() / 3);
    return codes;
}

// Where the floating-point path is defined: the relative colour lies within
// the encoding of the converter's connection space. Beyond it the rfloat
// path extrapolates the table's curves and cells, which hold nothing there;
// and an XYZ code of 65535 is the encoding's mark for 2 and beyond, which
// the 16-bit scaling keeps as such.
std::vector<bool> defined(const csICCProfileConverter& b2a, const std::vector<uint16_t>& grid)
{
    const std::size_t count = grid.size() / 3;
    std::vector<rfloat> relative(grid.begin(), grid.end());
    b2a.PCSFromAbs(relative.data(), count);
    const bool xyz = *b2a.inputSpace() == csSig("XYZ ");
    std::vector<bool> inside(count, true);
    for (std::size_t i = 0; i < 3 * count; ++i)
        if (relative[i] < 0 || relative[i] > 65535 || (xyz && grid[i] == 65535))
            inside[i / 3] = false;
    return inside;
}

// Absolute Lab (or XYZ) to device values: the 16-bit path within 2 % ink
// of the floating-point path, which scales the white before any limit.
TEST(PathAgreement, AbsoluteB2AFollowsTheFloatPathOverTheWholeEncoding)
{
    for (const Profile& p : profiles) {
        const std::vector<uint8_t> bytes = testProfile(p.file, p.tables);
        csICCProfile profile;
        ASSERT_EQ(profile.setProfile(bytes.data(), bytes.size()), 0) << logText();
        const bool xyz = profile.header().pcs() == csSig("XYZ ");
        const std::vector<uint16_t> grid = labGrid(xyz);
        const std::size_t count = grid.size() / 3;
        for (int white : {1, 2}) {
            SCOPED_TRACE(nameOf(p) + " white mode " + std::to_string(white));
            csErrorLog::clear();
            csICCProfileConverter b2a(&profile, 1, 1, white);
            ASSERT_EQ(b2a.init(), 0) << logText();
            const unsigned n = b2a.numOutputChannels();
            std::vector<uint16_t> in16 = grid, out16(count * n);
            std::vector<rfloat> inF(grid.begin(), grid.end()), outF(count * n);
            b2a.convert(in16.data(), out16.data(), count);
            b2a.convert(inF.data(), outF.data(), count);
            const std::vector<bool> inside = defined(b2a, grid);
            double largest = 0;
            std::size_t worst = 0, beyond1 = 0, compared = 0;
            for (std::size_t i = 0; i < count * n; ++i) {
                if (!inside[i / n])
                    continue;
                ++compared;
                const double d = std::abs(out16[i] - std::clamp(outF[i], 0.0, 65535.0)) / 655.35;
                if (d > largest) {
                    largest = d;
                    worst = i / n;
                }
                beyond1 += d > 1.0;
            }
            std::printf("%-27s white %d: 16-bit against rfloat on %4.1f %% of the grid, largest %.2f %% ink at codes "
                        "%u %u %u, %.3f %% of values beyond 1 %%\n",
                        nameOf(p).c_str(), white, 100.0 * compared / (count * n), largest, grid[3 * worst],
                        grid[3 * worst + 1], grid[3 * worst + 2], 100.0 * beyond1 / std::max<std::size_t>(compared, 1));
            EXPECT_LE(largest, 2.0);
        }
    }
}


// Light saturated blues whose absolute Z lies above 2: once limited to the
// 16-bit XYZ range before the white scaling, they came out up to 15 % ink
// away from the rfloat path.
TEST(PathAgreement, LightSaturatedBluesOfZAboveTwo)
{
    const double colours[][3] = {{93.18, -53.69, -98.33}, {90.43, -12.93, -92.07}, {96.0, -30.0, -110.0}};
    const std::vector<uint8_t> bytes = testProfile("cmyk_v2.icc", V4Tables::None);
    csICCProfile profile;
    ASSERT_EQ(profile.setProfile(bytes.data(), bytes.size()), 0);
    csICCProfileConverter b2a(&profile, 1, 1, 1);
    ASSERT_EQ(b2a.init(), 0) << logText();
    for (const auto& lab : colours) {
        uint16_t in16[3] = {csRoundToCode16(lab[0] * 655.35), csRoundToCode16(lab[1] * 257 + 32896),
                            csRoundToCode16(lab[2] * 257 + 32896)};
        rfloat inF[3] = {double(in16[0]), double(in16[1]), double(in16[2])};
        rfloat relative[3] = {inF[0], inF[1], inF[2]};
        b2a.PCSFromAbs(relative, 1);
        ASSERT_GT(relative[2], 0) << "inside the encoding after scaling";
        uint16_t out16[4];
        rfloat outF[4];
        b2a.convert(in16, out16, 1);
        b2a.convert(inF, outF, 1);
        for (int k = 0; k < 4; ++k)
            EXPECT_NEAR(out16[k] / 655.35, outF[k] / 655.35, 0.5) << lab[0] << " " << lab[1] << " " << lab[2] << " ink " << k;
    }
}


// The 16-bit white scaling of Lab against the rfloat one (Lab to XYZ,
// scaled, back to Lab) over every part of the encoding, for factors from
// the smallest a media white allows to the largest: the rfloat result
// rounded to a code, or limited to the encoding like it; single precision
// moves a value near .5 across it now and then (0.6 code allowed).
TEST(PathAgreement, LabScalingFollowsTheRfloatScaling)
{
    const double factors[][3] = {{1.0, 1.0, 1.0},        {1.13, 1.135, 1.095}, {0.885, 0.881, 0.914},
                                 {0.0104, 0.0098, 0.0121}, {96.4, 100.0, 82.5},  {2.4, 0.5, 1.7}};
    std::vector<uint16_t> codes;
    for (uint32_t L = 0; L <= 65535; L += 1285)
        for (uint32_t a = 0; a <= 65535; a += 771)
            for (uint32_t b = 0; b <= 65535; b += 771)
                codes.insert(codes.end(), {uint16_t(L), uint16_t(a), uint16_t(b)});
    const std::size_t count = codes.size() / 3;
    for (const auto& k : factors) {
        const csICCPCS::LabScaling scaling(k[0], k[1], k[2]);
        std::vector<uint16_t> scaled(codes.size());
        scaling.apply(codes.data(), scaled.data(), count);
        std::vector<rfloat> reference(codes.begin(), codes.end());
        csICCPCS::LabtoXYZ(reference.data(), reference.data(), count);
        csICCPCS::scaleXYZ(reference.data(), reference.data(), count, k[0], k[1], k[2]);
        csICCPCS::XYZtoLab(reference.data(), reference.data(), count);
        const double allowed = 0.6;
        double largest = 0;
        for (std::size_t i = 0; i < codes.size(); ++i)
            largest = std::max(largest, std::abs(scaled[i] - std::clamp(reference[i], 0.0, 65535.0)));
        std::printf("factors %g %g %g: largest difference %.2f codes\n", k[0], k[1], k[2], largest);
        EXPECT_LE(largest, allowed + 1e-6);
    }
}


using cs1DInterpolate::ClutKernel;

// Random codes with the delicate ones mixed in: the ends of the range, grid
// lines of a 17-point grid, and equal channels.
std::vector<uint16_t> deviceCodes(std::size_t count, std::size_t stride, unsigned channels, std::mt19937& random)
{
    std::uniform_int_distribution<int> code(0, 65535);
    std::vector<uint16_t> codes(count * stride, 0);
    for (std::size_t i = 0; i < count; ++i)
        for (unsigned c = 0; c < channels; ++c) {
            uint16_t& v = codes[i * stride + c];
            switch (i % 4) {
            case 0: v = static_cast<uint16_t>(code(random) % 2 ? 65535 : 0); break;
            case 1: v = static_cast<uint16_t>(code(random) % 17 * 4096 - (code(random) % 17 == 16)); break;
            case 2: v = c ? codes[i * stride] : static_cast<uint16_t>(code(random)); break;
            default: v = static_cast<uint16_t>(code(random)); break;
            }
        }
    return codes;
}

// The kernel forms this processor runs, the scalar one first.
std::vector<ClutKernel> runnableKernels()
{
    std::vector<ClutKernel> kernels;
    for (ClutKernel k : {ClutKernel::Scalar, ClutKernel::SSE41, ClutKernel::AVX2})
        if (cs1DInterpolate::kernelSupported(k))
            kernels.push_back(k);
    return kernels;
}

const char* kernelName(ClutKernel kernel)
{
    return kernel == ClutKernel::AVX2 ? "AVX2" : kernel == ClutKernel::SSE41 ? "SSE4.1" : "scalar";
}

// Every converter of the test profiles and their version 4 copies, every
// direction, intent and white mode, with and without an mft table's curves:
// the vector kernels' one-pass pipeline gives the codes of the scalar
// passes, to the bit, and leaves the elements between pixels alone, with an
// 'mBA ' table's compact curves on and off. Each compact curve is within a
// code of its full table; the CLUT and the steeper curves after them widen
// that: the codes with compact curves stay within compactAllowed of the
// exact ones (81 at most measured, RGB from XYZ; 35 for CMYK). The largest
// difference per profile and direction is printed.
constexpr int compactAllowed = 96;

TEST(PathAgreement, PipelineGivesThePassesCodes)
{
    const std::vector<ClutKernel> kernels = runnableKernels();
    if (kernels.size() < 2)
        GTEST_SKIP() << "this processor runs only the scalar kernels";
    const Profile all[] = {
        {"cmyk_v2.icc", V4Tables::None},     {"rgb_v2_lut8.icc", V4Tables::None},
        {"rgb_xyz_pcs.icc", V4Tables::None}, {"cmyk_v2.icc", V4Tables::Same},
        {"cmyk_v2.icc", V4Tables::Reshaped}, {"rgb_v2_lut8.icc", V4Tables::Reshaped},
        {"rgb_xyz_pcs.icc", V4Tables::Reshaped},
    };
    std::mt19937 random(17);
    std::size_t converters = 0;
    int largestCompact = 0;
    for (const Profile& p : all) {
        const std::vector<uint8_t> bytes = testProfile(p.file, p.tables);
        csICCProfile profile;
        ASSERT_EQ(profile.setProfile(bytes.data(), bytes.size()), 0) << logText();
        for (int direction : {0, 1}) {
            // Only 'mBA ' converters read compact curves.
            int largestHere = -1;
            for (int intent : {0, 1, 2})
                for (int white : {0, 1, 2})
                    for (bool curves : {true, false}) {
                        SCOPED_TRACE(nameOf(p) + " direction " + std::to_string(direction) + " intent " +
                                     std::to_string(intent) + " white " + std::to_string(white) +
                                     (curves ? "" : " without curves"));
                        csICCProfileConverter converter(&profile, direction, intent, white);
                        ASSERT_EQ(converter.init(), 0) << logText();
                        auto* mft = dynamic_cast<csICCmftInterpolator*>(converter.interpolator());
                        auto* lutAB = dynamic_cast<csICCmABInterpolator*>(converter.interpolator());
                        if (!curves && !mft)
                            continue;
                        if (mft) {
                            mft->setUseInputCurves(curves);
                            mft->setUseOutputCurves(curves);
                        }
                        ++converters;
                        const unsigned in = converter.numInputChannels(), out = converter.numOutputChannels();
                        // Counts off the vector width and the block size; strides with room between pixels.
                        for (const auto& [count, inStride, outStride] :
                             {std::tuple<std::size_t, std::size_t, std::size_t>{1000, in, out}, {77, in + 1, out + 2},
                              {9, 4, 4}}) {
                            const std::vector<uint16_t> input = deviceCodes(count, inStride, in, random);
                            std::vector<uint16_t> exact;
                            for (bool compact : {false, true}) {
                                if (compact && !(lutAB && lutAB->tag()->bToA()))
                                    continue;
                                if (lutAB)
                                    lutAB->setCompactCurves(compact);
                                std::vector<uint16_t> expected;
                                for (ClutKernel kernel : kernels) {
                                    std::vector<uint16_t> work = input, result(count * outStride, 7);
                                    converter.setKernel(kernel);
                                    converter.convert(work.data(), result.data(), count, inStride, outStride);
                                    if (kernel == ClutKernel::Scalar)
                                        expected = result;
                                    else
                                        ASSERT_EQ(result, expected) << kernelName(kernel) << ", " << count
                                                                    << " pixels" << (compact ? ", compact" : "");
                                }
                                if (!compact) {
                                    exact = expected;
                                    continue;
                                }
                                for (std::size_t i = 0; i < expected.size(); ++i) {
                                    const int d = std::abs(int(expected[i]) - int(exact[i]));
                                    largestHere = std::max(largestHere, d);
                                    ASSERT_LE(d, compactAllowed) << "element " << i;
                                }
                            }
                        }
                    }
            if (largestHere >= 0)
                std::printf("%-27s direction %d: compact curves at most %d codes from the exact ones\n",
                            nameOf(p).c_str(), direction, largestHere);
            largestCompact = std::max(largestCompact, largestHere);
        }
    }
    std::printf("%zu converters, each the same codes through the pipeline as through the passes; with compact "
                "curves at most %d codes from the exact ones\n",
                converters, largestCompact);
}

// A pixel's codes do not depend on the call it comes in: every converter of
// the version 4 profiles and copies (the 'mBA ' ones read compact curves)
// gives one call's codes for the same colours converted one at a time, in
// calls of odd sizes around the vector width and the pipeline's block and
// its smallest call, and with every kernel form the processor runs, with
// compact curves on and off.
TEST(PathAgreement, CodesDoNotDependOnTheCall)
{
    struct V4Profile
    {
        const char* file;
        V4Tables tables;
        // A B2A table of curves and matrix alone.
        const char* withoutClut;
    };
    const V4Profile v4[] = {
        {"cmyk_v4.icc", V4Tables::None, ""},         {"cmyk_v2.icc", V4Tables::Same, ""},
        {"cmyk_v2.icc", V4Tables::Reshaped, ""},     {"rgb_v2_lut8.icc", V4Tables::Same, "B2A1"},
        {"rgb_v2_lut8.icc", V4Tables::Reshaped, ""}, {"rgb_xyz_pcs.icc", V4Tables::Reshaped, ""},
    };
    const std::size_t chunks[] = {1, 3, 7, 8, 9, 17, 255, 257};
    const std::size_t count = 600;
    std::mt19937 random(23);
    std::size_t bToA = 0;
    for (const V4Profile& p : v4) {
        const std::vector<uint8_t> bytes = testProfile(p.file, p.tables, p.withoutClut);
        csICCProfile profile;
        ASSERT_EQ(profile.setProfile(bytes.data(), bytes.size()), 0) << logText();
        for (int direction : {0, 1, 2})
            for (int intent : {0, 1, 2})
                for (int white : {0, 1}) {
                    SCOPED_TRACE(nameOf({p.file, p.tables}) + " direction " + std::to_string(direction) +
                                 " intent " + std::to_string(intent) + " white " + std::to_string(white));
                    csErrorLog::clear();
                    csICCProfileConverter converter(&profile, direction, intent, white);
                    if (converter.init() != 0) {
                        // Not every copy has a gamut table.
                        ASSERT_EQ(direction, 2) << logText();
                        continue;
                    }
                    auto* lutAB = dynamic_cast<csICCmABInterpolator*>(converter.interpolator());
                    bToA += lutAB && lutAB->tag()->bToA();
                    const unsigned in = converter.numInputChannels(), out = converter.numOutputChannels();
                    const std::vector<uint16_t> input = deviceCodes(count, in, in, random);
                    for (bool compact : {true, false}) {
                        if (!compact && !lutAB)
                            continue;
                        if (lutAB)
                            lutAB->setCompactCurves(compact);
                        converter.setKernel(cs1DInterpolate::fastestKernel());
                        std::vector<uint16_t> work = input, whole(count * out);
                        converter.convert(work.data(), whole.data(), count);
                        for (ClutKernel kernel : runnableKernels()) {
                            converter.setKernel(kernel);
                            for (std::size_t chunk : chunks) {
                                std::vector<uint16_t> again = input, pieces(count * out);
                                for (std::size_t at = 0; at < count; at += chunk)
                                    converter.convert(again.data() + at * in, pieces.data() + at * out,
                                                      std::min(chunk, count - at));
                                ASSERT_EQ(pieces, whole) << kernelName(kernel) << ", calls of " << chunk
                                                         << (compact ? ", compact curves" : ", full tables");
                            }
                        }
                    }
                }
    }
    EXPECT_GE(bToA, 20u) << "'mBA ' converters checked";
}

} // namespace
