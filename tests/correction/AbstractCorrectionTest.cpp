// The correction as an abstract profile, checked against Little CMS: its
// multiprofile transform of the abstract in front of the original profile
// must give the device values the corrected profile gives. And pure inks
// kept pure by the Smooth node solve.
#include "AbstractCorrection.h"
#include "B2ATableAccess.h"
#include "ColorDifference.h"
#include "PrinterModel.h"
#include "PureInks.h"
#include "SmoothCorrection.h"
#include "TestCharts.h"
#include "TestSupport.h"
#include "tools/CliRun.h"
#include "V4Profiles.h"
#include "csICCLutWriter.h"
#include "csICCProfile.h"
#include "csICCProfileConverter.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <cmath>
#include <map>
#include <memory>

namespace {

std::unique_ptr<csICCProfile> load(const std::vector<uint8_t>& bytes)
{
    auto profile = std::make_unique<csICCProfile>();
    EXPECT_EQ(profile->setProfile(bytes.data(), bytes.size()), 0);
    return profile;
}

std::vector<uint8_t> bytesOf(csICCProfile& profile)
{
    std::vector<uint8_t> block;
    EXPECT_EQ(profile.writeToMemory(block), 0);
    return block;
}

// The original profile, one corrected by Smooth, and their abstract.
struct Corrected
{
    std::vector<uint8_t> original, corrected, abstract;
    AbstractOutcome outcome;
};

const Corrected& correctedCase(V4Tables tables)
{
    static std::map<V4Tables, Corrected> cache;
    auto found = cache.find(tables);
    if (found != cache.end())
        return found->second;
    Corrected c;
    c.original = testProfile("cmyk_v2.icc", tables);
    auto original = load(c.original), corrected = load(c.original);
    EXPECT_TRUE(runSmoothCorrection(*corrected, patchesOf(), SmoothParameters(), {}).ok);
    c.corrected = bytesOf(*corrected);
    std::vector<Lab> chart;
    for (const SmoothPatch& p : patchesOf())
        chart.push_back(p.reference);
    c.outcome = correctionAsAbstract(*original, *corrected, AbstractSettings(), chart);
    if (c.outcome.profile)
        c.abstract = bytesOf(*c.outcome.profile);
    return cache.emplace(tables, std::move(c)).first->second;
}

// The chart's references and a grid of colours the printer reaches.
std::vector<Lab> colours()
{
    std::vector<Lab> labs;
    for (const auto& [id, lab] : readLab("cmyk_ref.txt"))
        labs.push_back(lab);
    for (double L = 20; L <= 90; L += 10)
        for (double a = -40; a <= 40; a += 20)
            for (double b = -40; b <= 60; b += 20)
                labs.push_back({L, a, b});
    return labs;
}

// Device values (0..1) of absolute Lab values through Little CMS.
std::vector<double> lcmsDevice(cmsHTRANSFORM transform, const std::vector<Lab>& labs)
{
    std::vector<double> out;
    for (const Lab& lab : labs) {
        cmsCIELab in = {lab.L, lab.a, lab.b};
        cmsUInt16Number device[4];
        cmsDoTransform(transform, &in, device, 1);
        for (cmsUInt16Number v : device)
            out.push_back(v / 65535.0);
    }
    return out;
}

std::vector<Lab> printed(csICCProfile& profile, const std::vector<double>& device)
{
    csICCProfileConverter a2b(&profile, csICCProfileConverter::AToB, 1, csICCProfileConverter::AbsoluteStored);
    EXPECT_EQ(a2b.init(), 0);
    const PrinterModel model(a2b);
    std::vector<double> lab(device.size() / 4 * 3);
    model.lab(device.data(), lab.data(), device.size() / 4);
    std::vector<Lab> labs;
    for (std::size_t i = 0; i < lab.size(); i += 3)
        labs.push_back({lab[i], lab[i + 1], lab[i + 2]});
    return labs;
}

TEST(AbstractCorrection, ClassTagsAndVersionFollowTheProfile)
{
    struct Case { V4Tables tables; unsigned version; csSignature lut; };
    for (const Case& c : {Case{V4Tables::None, 2, csSig("mft2")}, Case{V4Tables::Same, 4, csSig("mAB ")}}) {
        const Corrected& corrected = correctedCase(c.tables);
        ASSERT_FALSE(corrected.abstract.empty()) << corrected.outcome.message.english();
        auto abstract = load(corrected.abstract);
        const csICCProfileHeader& header = abstract->header();
        EXPECT_EQ(header.deviceClass(), csSig("abst"));
        EXPECT_EQ(header.colorSpace(), csSig("Lab "));
        EXPECT_EQ(header.pcs(), csSig("Lab "));
        EXPECT_EQ(header.majorVersion(), c.version);
        EXPECT_TRUE(header.isValid(3));
        const csICCTag* a2b0 = abstract->tagTable().find(csSig("A2B0"));
        ASSERT_NE(a2b0, nullptr);
        EXPECT_EQ(a2b0->getType(), c.lut);
        EXPECT_TRUE(abstract->tagTable().contains(csSig("wtpt")));
        EXPECT_GT(corrected.outcome.nodesShifted, 100u);
        EXPECT_LT(corrected.outcome.meanMiss, 0.5) << "the steps reach the corrected prints at the nodes";
    }
}

TEST(AbstractCorrection, InFrontOfTheOriginalLittleCmsGivesTheCorrectedPrint)
{
    for (V4Tables tables : {V4Tables::None, V4Tables::Same}) {
        const Corrected& c = correctedCase(tables);
        ASSERT_FALSE(c.abstract.empty());
        cmsHPROFILE abstract = cmsOpenProfileFromMem(c.abstract.data(), cmsUInt32Number(c.abstract.size()));
        cmsHPROFILE original = cmsOpenProfileFromMem(c.original.data(), cmsUInt32Number(c.original.size()));
        cmsHPROFILE corrected = cmsOpenProfileFromMem(c.corrected.data(), cmsUInt32Number(c.corrected.size()));
        cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
        ASSERT_TRUE(abstract && original && corrected && lab);
        cmsHPROFILE chain[2] = {abstract, original};
        cmsHTRANSFORM viaAbstract = cmsCreateMultiprofileTransform(
            chain, 2, TYPE_Lab_DBL, TYPE_CMYK_16, INTENT_ABSOLUTE_COLORIMETRIC, cmsFLAGS_NOOPTIMIZE);
        cmsHTRANSFORM direct = cmsCreateTransform(lab, TYPE_Lab_DBL, corrected, TYPE_CMYK_16,
                                                  INTENT_ABSOLUTE_COLORIMETRIC, cmsFLAGS_NOOPTIMIZE);
        cmsHTRANSFORM unchanged = cmsCreateTransform(lab, TYPE_Lab_DBL, original, TYPE_CMYK_16,
                                                     INTENT_ABSOLUTE_COLORIMETRIC, cmsFLAGS_NOOPTIMIZE);
        ASSERT_TRUE(viaAbstract && direct && unchanged);
        // The chart re-printed on the drifted printer as the correction
        // models it: the measurement plus what the original's A2B1 says
        // the new device values change.
        std::vector<Lab> references, measured;
        for (const SmoothPatch& p : patchesOf()) {
            references.push_back(p.reference);
            measured.push_back(p.measured);
        }
        auto model = load(c.original);
        const std::vector<Lab> before = printed(*model, lcmsDevice(unchanged, references));
        auto reprint = [&](cmsHTRANSFORM route) {
            const std::vector<Lab> now = printed(*model, lcmsDevice(route, references));
            double mean = 0;
            for (std::size_t i = 0; i < references.size(); ++i) {
                const Lab print = {measured[i].L + now[i].L - before[i].L, measured[i].a + now[i].a - before[i].a,
                                   measured[i].b + now[i].b - before[i].b};
                mean += deltaE(print, references[i]) / references.size();
            }
            return mean;
        };
        const double viaAbstractMean = reprint(viaAbstract), correctedMean = reprint(direct),
                     uncorrectedMean = reprint(unchanged);
        std::printf("chart re-print, mean dE76: uncorrected %.3f, corrected %.3f, abstract in front %.3f\n",
                    uncorrectedMean, correctedMean, viaAbstractMean);
        EXPECT_NEAR(viaAbstractMean, correctedMean, 0.05) << int(tables);
        EXPECT_LT(viaAbstractMean, 0.2 * uncorrectedMean);
        // Colour by colour too, over the chart and a grid that reaches beyond the gamut.
        const std::vector<Lab> labs = colours();
        const std::vector<Lab> a = printed(*model, lcmsDevice(viaAbstract, labs));
        const std::vector<Lab> b = printed(*model, lcmsDevice(direct, labs));
        double apart = 0;
        for (std::size_t i = 0; i < labs.size(); ++i)
            apart += deltaE(a[i], b[i]) / labs.size();
        EXPECT_LT(apart, 0.4);
        for (cmsHTRANSFORM t : {viaAbstract, direct, unchanged})
            cmsDeleteTransform(t);
        for (cmsHPROFILE p : {abstract, original, corrected, lab})
            cmsCloseProfile(p);
    }
}

// A printer whose drift depends on black: the corrected table reaches a
// colour with other black than the original table at the colour the
// abstract asks for. A2B1 says both print alike; the printer as measured
// does not, and the abstract fitted to the measurement follows it.
TEST(AbstractCorrection, MeasuredDriftOverTheDeviceValuesTellsTheRoutesApart)
{
    const std::vector<uint8_t> bytes = readBytes(testDataPath("cmyk_v2.icc"));
    auto original = load(bytes), corrected = load(bytes);
    // Every ink prints lighter, black most: in a grey of black the
    // printer differs from one of the other three.
    const auto drift = [](const double* d) {
        return Lab{1.5 * (d[0] + d[1] + d[2]) + 12.0 * d[3], -1.5 * d[1], -2.0 * d[2]};
    };
    const auto onPrinter = [&](const std::vector<double>& device) {
        std::vector<Lab> labs = printed(*original, device);
        for (std::size_t i = 0; i < labs.size(); ++i) {
            const Lab e = drift(&device[4 * i]);
            labs[i] = {labs[i].L + e.L, labs[i].a + e.a, labs[i].b + e.b};
        }
        return labs;
    };
    cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
    cmsHPROFILE unchanged = cmsOpenProfileFromMem(bytes.data(), cmsUInt32Number(bytes.size()));
    cmsHTRANSFORM toOriginal = cmsCreateTransform(lab, TYPE_Lab_DBL, unchanged, TYPE_CMYK_16,
                                                  INTENT_ABSOLUTE_COLORIMETRIC, cmsFLAGS_NOOPTIMIZE);
    ASSERT_TRUE(toOriginal);
    std::vector<Lab> references;
    for (const auto& [id, ref] : readLab("cmyk_ref.txt"))
        references.push_back(ref);
    const std::vector<Lab> measured = onPrinter(lcmsDevice(toOriginal, references));
    std::vector<SmoothPatch> patches;
    for (std::size_t i = 0; i < references.size(); ++i)
        patches.push_back({references[i], measured[i]});
    ASSERT_TRUE(runSmoothCorrection(*corrected, patches, SmoothParameters(), {}).ok);

    const std::vector<uint8_t> correctedBytes = bytesOf(*corrected);
    cmsHPROFILE direct = cmsOpenProfileFromMem(correctedBytes.data(), cmsUInt32Number(correctedBytes.size()));
    cmsHTRANSFORM toCorrected = cmsCreateTransform(lab, TYPE_Lab_DBL, direct, TYPE_CMYK_16,
                                                   INTENT_ABSOLUTE_COLORIMETRIC, cmsFLAGS_NOOPTIMIZE);
    ASSERT_TRUE(toCorrected);
    const std::vector<Lab>& labs = references;
    const std::vector<Lab> wanted = onPrinter(lcmsDevice(toCorrected, labs));
    // How far the abstract route prints from the corrected one, mean dE76.
    const auto apart = [&](const std::vector<Lab>& measurement) {
        const AbstractOutcome outcome =
            correctionAsAbstract(*original, *corrected, AbstractSettings(), references, measurement);
        EXPECT_TRUE(outcome.profile) << outcome.message.english();
        if (!outcome.profile)
            return 1e9;
        const std::vector<uint8_t> abstractBytes = bytesOf(*outcome.profile);
        cmsHPROFILE abstract = cmsOpenProfileFromMem(abstractBytes.data(), cmsUInt32Number(abstractBytes.size()));
        cmsHPROFILE chain[2] = {abstract, unchanged};
        cmsHTRANSFORM route = cmsCreateMultiprofileTransform(chain, 2, TYPE_Lab_DBL, TYPE_CMYK_16,
                                                             INTENT_ABSOLUTE_COLORIMETRIC, cmsFLAGS_NOOPTIMIZE);
        const std::vector<Lab> got = onPrinter(lcmsDevice(route, labs));
        cmsDeleteTransform(route);
        cmsCloseProfile(abstract);
        double mean = 0;
        for (std::size_t i = 0; i < labs.size(); ++i)
            mean += deltaE(got[i], wanted[i]) / labs.size();
        return mean;
    };
    const double byA2B1 = apart({}), byMeasurement = apart(measured);
    std::printf("abstract route from the corrected one on the printer: by A2B1 %.3f, with the drift %.3f\n", byA2B1,
                byMeasurement);
    EXPECT_LT(byMeasurement, 0.9 * byA2B1);
    for (cmsHTRANSFORM t : {toOriginal, toCorrected})
        cmsDeleteTransform(t);
    for (cmsHPROFILE p : {lab, unchanged, direct})
        cmsCloseProfile(p);
}

TEST(AbstractCorrection, PaperWhiteAndColoursFarFromThePatchesStay)
{
    const Corrected& c = correctedCase(V4Tables::None);
    auto abstract = load(c.abstract);
    csICCProfileConverter through(abstract.get(), csICCProfileConverter::AToB, 0, csICCProfileConverter::Relative);
    ASSERT_EQ(through.init(), 0);
    auto original = load(c.original);
    csICCProfileConverter a2b(original.get(), csICCProfileConverter::AToB, 1, csICCProfileConverter::AbsoluteStored);
    ASSERT_EQ(a2b.init(), 0);
    double paper[4] = {0, 0, 0, 0}, white[3];
    a2b.convert(paper, white, 1);
    struct Probe { Lab at; double within; };
    const Probe probes[] = {
        {decodeLabV4(white), 0.01}, // the paper white
    };
    for (const Probe& p : probes) {
        double v[3];
        encodeLabV4(p.at, v);
        double out[3];
        through.convert(v, out, 1);
        EXPECT_LT(deltaE(decodeLabV4(out), p.at), p.within) << p.at.L << " " << p.at.a << " " << p.at.b;
    }
    // Unchanged table, no shift: the identity to the code.
    auto again = load(c.original);
    const AbstractOutcome identity = correctionAsAbstract(*original, *again);
    ASSERT_TRUE(identity.profile);
    EXPECT_EQ(identity.nodesShifted, 0u);
    EXPECT_EQ(identity.largestShift, 0.0);
}

TEST(AbstractCorrection, RefusesProfilesWithoutLabTables)
{
    auto rgb = load(readBytes(testDataPath("rgb_xyz_pcs.icc")));
    auto same = load(readBytes(testDataPath("rgb_xyz_pcs.icc")));
    const AbstractOutcome outcome = correctionAsAbstract(*rgb, *same);
    EXPECT_FALSE(outcome.profile);
    EXPECT_NE(outcome.message.english().find("Lab"), std::string::npos);
    EXPECT_TRUE(csMft2Bytes({3, 3, 33, std::vector<uint16_t>(5)}).empty()) << "nodes of the wrong count";
    EXPECT_TRUE(csMABBytes({3, 3, 1, std::vector<uint16_t>(3)}).empty()) << "one grid point";
}

// ---------------------------------------------------------------- pure inks

TEST(PureInks, OneInkAloneIsPure)
{
    struct Case { std::vector<double> ink; int pure; };
    const Case cases[] = {
        {{0.6, 0, 0, 0}, 0},          {{0, 0, 0, 1}, 3},          {{0.004, 0.3, 0.005, 0}, 1},
        {{0.006, 0.3, 0, 0}, mixedInks}, {{0, 0, 0, 0}, mixedInks}, {{0.003, 0, 0, 0}, 0},
        {{0.2, 0.2, 0.2, 0.2}, mixedInks}, {{0, 0, 0.9}, 2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(pureInkOf(c.ink.data(), unsigned(c.ink.size())), c.pure) << c.ink[0] << " " << c.ink[1];
    EXPECT_EQ(heldChannelsFor(1, 4), 0b1101u);
    EXPECT_EQ(heldChannelsFor(mixedInks, 4), 0u);
}

// The largest other ink of the nodes that print one ink alone in B2A1.
double largestOtherInk(csICCProfile& original, csICCProfile& corrected, std::size_t& pureNodes)
{
    using C = csICCProfileConverter;
    C a2b(&original, C::AToB, 1, C::AbsoluteStored);
    EXPECT_EQ(a2b.init(), 0);
    const PrinterModel model(a2b);
    auto nodes = [](csICCProfile& profile) {
        const B2ATableAccess table(*profile.tagTable().find(csSig("B2A1")));
        const std::vector<double> clut = table.clut();
        std::vector<double> device(clut.size());
        table.device(clut.data(), device.data(), table.nodeCount());
        return device;
    };
    const std::vector<double> before = nodes(original), after = nodes(corrected);
    const std::vector<int> pure = pureInks(model, before, 4);
    double largest = 0;
    pureNodes = 0;
    for (std::size_t n = 0; n < pure.size(); ++n) {
        if (pure[n] == mixedInks)
            continue;
        ++pureNodes;
        for (int c = 0; c < 4; ++c)
            if (c != pure[n])
                largest = std::max(largest, after[n * 4 + c]);
    }
    return largest;
}

TEST(PureInks, SmoothKeepsPureNodesPureAtALittleCost)
{
    const std::vector<uint8_t> bytes = readBytes(testDataPath("cmyk_v2.icc"));
    auto original = load(bytes), free = load(bytes), pure = load(bytes);
    SmoothParameters parameters;
    const SmoothOutcome mixed = runSmoothCorrection(*free, patchesOf(), parameters, {1});
    parameters.keepPure = true;
    const SmoothOutcome kept = runSmoothCorrection(*pure, patchesOf(), parameters, {1});
    ASSERT_TRUE(mixed.ok && kept.ok);
    std::size_t count = 0;
    EXPECT_GT(largestOtherInk(*original, *free, count), pureOtherInk) << "free nodes take up other inks";
    EXPECT_LE(largestOtherInk(*original, *pure, count), pureOtherInk);
    EXPECT_GT(count, 20u);
    EXPECT_EQ(kept.tables.front().pureNodes, int(count));
    double meanFree = 0, meanKept = 0;
    for (std::size_t i = 0; i < kept.remaining.size(); ++i) {
        const Lab& f = mixed.remaining[i];
        const Lab& k = kept.remaining[i];
        meanFree += std::sqrt(f.L * f.L + f.a * f.a + f.b * f.b) / kept.remaining.size();
        meanKept += std::sqrt(k.L * k.L + k.a * k.a + k.b * k.b) / kept.remaining.size();
    }
    EXPECT_LT(meanKept, meanFree + 0.1);
}

TEST(AbstractCorrection, CommandLineWritesItBesideTheCorrectedProfile)
{
    TempDir dir;
    const std::vector<std::string> base = {"correct", "-i", testDataPath("cmyk_v2.icc"), "-r",
                                           testDataPath("cmyk_ref.txt"), "-m", testDataPath("cmyk_meas.txt"),
                                           "-o", dir.path("out.icc")};
    std::vector<std::string> args = base;
    args.insert(args.end(), {"--abstract", dir.path("fix.icc"), "--keep-pure"});
    CliResult r = runCli(args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("keep_pure mean_after"), std::string::npos);
    EXPECT_NE(r.err.find("pure nodes kept to their one ink"), std::string::npos);
    auto abstract = load(readBytes(dir.path("fix.icc")));
    EXPECT_EQ(abstract->header().deviceClass(), csSig("abst"));
    EXPECT_TRUE(abstract->hasRequiredTags());
    // The abstract profile never replaces an input or the corrected profile.
    for (const std::string& target : {dir.path("out2.icc"), testDataPath("cmyk_ref.txt")}) {
        args = base;
        args.insert(args.end(), {"--abstract", target == dir.path("out2.icc") ? dir.path("out.icc") : target});
        r = runCli(args);
        EXPECT_EQ(r.status, 2) << target;
    }
    args = base;
    args.insert(args.end(), {"--keep-pure", "--no-keep-pure"});
    EXPECT_EQ(runCli(args).status, 2);
}

} // namespace
