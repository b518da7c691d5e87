// Device links: read and written by the ICC library (class, header, the
// tags a link needs), evaluated as Little CMS evaluates them, and corrected
// through the printer's profile: a constant drift taken up on and off the
// chart, single-ink and K-only sources kept pure; the session and
// vestrel-cli around it.
#include "tools/CliRun.h"
#include "CorrectionSession.h"
#include "LinkCorrection.h"
#include "LinkTableAccess.h"
#include "PrinterModel.h"
#include "PureInks.h"
#include "TestSupport.h"
#include "csICCProfile.h"
#include "csICCProfileConverter.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <cmath>
#include <fstream>
#include <memory>
#include <random>

namespace {

using C = csICCProfileConverter;

// A link from the shared version 4 profile to the version 2 one, as Little
// CMS makes it (relative colorimetric, 17 points, with its profile sequence).
std::vector<uint8_t> makeLink(double version, bool lut8 = false, int grid = 17)
{
    cmsHPROFILE source = cmsOpenProfileFromFile(testDataPath("cmyk_v4.icc").c_str(), "r");
    cmsHPROFILE printer = cmsOpenProfileFromFile(testDataPath("cmyk_v2.icc").c_str(), "r");
    const cmsUInt32Number flags = cmsFLAGS_GRIDPOINTS(grid) | (lut8 ? cmsFLAGS_8BITS_DEVICELINK : 0);
    cmsHTRANSFORM transform =
        cmsCreateTransform(source, TYPE_CMYK_16, printer, TYPE_CMYK_16, INTENT_RELATIVE_COLORIMETRIC, flags);
    cmsHPROFILE link = cmsTransform2DeviceLink(transform, version, flags);
    cmsSEQ* sequence = cmsAllocProfileSequenceDescription(nullptr, 2);
    cmsWriteTag(link, cmsSigProfileSequenceDescTag, sequence);
    cmsFreeProfileSequenceDescription(sequence);
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(link, nullptr, &size);
    std::vector<uint8_t> bytes(size);
    cmsSaveProfileToMem(link, bytes.data(), &size);
    cmsCloseProfile(link);
    cmsDeleteTransform(transform);
    cmsCloseProfile(source);
    cmsCloseProfile(printer);
    return bytes;
}

std::unique_ptr<csICCProfile> load(const std::vector<uint8_t>& bytes)
{
    auto profile = std::make_unique<csICCProfile>();
    EXPECT_EQ(profile->setProfile(bytes.data(), bytes.size()), 0);
    return profile;
}

std::vector<double> throughLink(csICCProfile& link, const std::vector<double>& sources)
{
    C converter(&link, C::AToB, 0, C::Relative);
    EXPECT_EQ(converter.init(), 0);
    std::vector<double> in(sources.size()), out(sources.size());
    for (std::size_t i = 0; i < in.size(); ++i)
        in[i] = sources[i] * 65535.0;
    converter.convert(in.data(), out.data(), sources.size() / 4);
    for (double& v : out)
        v /= 65535.0;
    return out;
}

std::vector<double> randomSources(std::size_t count, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> value(0.0, 1.0);
    std::vector<double> sources(4 * count);
    for (double& v : sources)
        v = value(random);
    return sources;
}

TEST(DeviceLink, ReadWrittenAndEvaluatedAsLittleCmsDoes)
{
    struct Case { double version; bool lut8; csSignature type; double codes; };
    const Case cases[] = {{2.1, false, csSig("mft2"), 3}, {2.1, true, csSig("mft1"), 2}, {4.3, false, csSig("mAB "), 3}};
    for (const Case& c : cases) {
        const std::vector<uint8_t> bytes = makeLink(c.version, c.lut8);
        auto link = load(bytes);
        const csICCProfileHeader& header = link->header();
        EXPECT_EQ(header.deviceClass(), csSig("link"));
        EXPECT_EQ(header.colorSpace(), csSig("CMYK"));
        EXPECT_EQ(header.pcs(), csSig("CMYK"));
        EXPECT_EQ(header.majorVersion(), unsigned(c.version));
        EXPECT_TRUE(link->hasRequiredTags());
        ASSERT_NE(link->tagTable().find(csSig("A2B0")), nullptr);
        EXPECT_EQ(link->tagTable().find(csSig("A2B0"))->getType(), c.type);
        // Written afresh it reads back the same, without its profile sequence it misses a tag.
        std::vector<uint8_t> written;
        ASSERT_EQ(link->writeToMemory(written), 0);
        auto again = load(written);
        EXPECT_TRUE(again->hasRequiredTags());
        again->tagTable().remove(uint32_t(again->tagTable().indexOf(csSig("pseq"))));
        EXPECT_FALSE(again->hasRequiredTags());

        cmsHPROFILE theirs = cmsOpenProfileFromMem(written.data(), cmsUInt32Number(written.size()));
        cmsHTRANSFORM transform = cmsCreateTransform(theirs, TYPE_CMYK_16, nullptr, TYPE_CMYK_16,
                                                     INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_NOOPTIMIZE);
        ASSERT_NE(transform, nullptr);
        // Little CMS interpolates four inputs as two 3-D cells blended along
        // the first input, Vestrel in one 4-D simplex: the same at the nodes,
        // a little apart inside the cells.
        std::vector<double> sources = randomSources(200, 3);
        std::vector<double> onNodes;
        for (std::size_t i = 0; i < 4 * 200; ++i)
            onNodes.push_back(std::round(sources[i] * 16) / 16);
        for (bool nodes : {true, false}) {
            const std::vector<double>& at = nodes ? onNodes : sources;
            const std::vector<double> ours = throughLink(*link, at);
            double largest = 0, mean = 0;
            for (std::size_t i = 0; i < 200; ++i) {
                cmsUInt16Number in[4], out[4];
                for (int k = 0; k < 4; ++k)
                    in[k] = cmsUInt16Number(std::lround(at[4 * i + k] * 65535.0));
                cmsDoTransform(transform, in, out, 1);
                for (int k = 0; k < 4; ++k) {
                    const double apart = std::abs(ours[4 * i + k] * 65535.0 - out[k]);
                    largest = std::max(largest, apart);
                    mean += apart / 800;
                }
            }
            if (nodes)
                EXPECT_LE(largest, c.codes * (c.lut8 ? 257 : 1)) << c.version;
            else
                EXPECT_LT(mean, 0.002 * 65535) << c.version;
        }
        cmsDeleteTransform(transform);
        cmsCloseProfile(theirs);
    }
}

TEST(DeviceLink, TableAccessFindsNodesAndCellsAsTheInterpolatorDoes)
{
    auto link = load(makeLink(2.1, false, 9));
    C converter(link.get(), C::AToB, 0, C::Relative);
    ASSERT_EQ(converter.init(), 0);
    ASSERT_TRUE(LinkTableAccess::serves(*converter.interpolator()));
    const LinkTableAccess table(*converter.interpolator());
    EXPECT_EQ(table.inputs(), 4u);
    EXPECT_EQ(table.nodeCount(), 9u * 9 * 9 * 9);
    const std::vector<double> clut = table.clut(), sources = randomSources(100, 8);
    const std::vector<double> positions = table.positions(sources), direct = throughLink(*link, sources);
    for (std::size_t i = 0; i < 100; ++i) {
        std::size_t nodes[5];
        double weights[5], value[4] = {}, device[4];
        table.simplex(&positions[4 * i], nodes, weights);
        for (int v = 0; v < 5; ++v)
            for (int c = 0; c < 4; ++c)
                value[c] += weights[v] * clut[nodes[v] * 4 + c];
        table.device(value, device, 1);
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(device[c], direct[4 * i + c], 2e-4) << i;
    }
    // A node's source values land on that node.
    const std::vector<double> nodeSources = table.nodeSources();
    const std::vector<double> at = table.positions({nodeSources.begin() + 4 * 1234, nodeSources.begin() + 4 * 1235});
    std::size_t nodes[5];
    double weights[5];
    table.simplex(at.data(), nodes, weights);
    EXPECT_NEAR(weights[0] * (nodes[0] == 1234) + weights[4] * (nodes[4] == 1234), 1.0, 1e-9);
}

// A chart printed through the link on a printer that prints its model's
// colours plus a constant drift; the references are the model's colours.
struct DriftCase
{
    // A 9-point grid keeps the runs short under the sanitizers.
    std::vector<uint8_t> linkBytes = makeLink(2.1, false, 9);
    std::unique_ptr<csICCProfile> printer = load(readBytes(testDataPath("cmyk_v2.icc")));
    Lab drift = {-2.0, 1.5, 2.0};

    std::vector<Lab> modelled(csICCProfile& link, const std::vector<double>& sources)
    {
        C a2b(printer.get(), C::AToB, 1, C::AbsoluteStored);
        EXPECT_EQ(a2b.init(), 0);
        const PrinterModel model(a2b);
        const std::vector<double> device = throughLink(link, sources);
        std::vector<double> lab(device.size() / 4 * 3);
        model.lab(device.data(), lab.data(), device.size() / 4);
        std::vector<Lab> labs;
        for (std::size_t i = 0; i < lab.size(); i += 3)
            labs.push_back({lab[i], lab[i + 1], lab[i + 2]});
        return labs;
    }
    std::vector<LinkPatch> chart(csICCProfile& link, std::size_t count)
    {
        const std::vector<double> sources = randomSources(count, 21);
        const std::vector<Lab> labs = modelled(link, sources);
        std::vector<LinkPatch> patches;
        for (std::size_t i = 0; i < count; ++i)
            patches.push_back({{sources.begin() + 4 * i, sources.begin() + 4 * i + 4}, labs[i],
                               {labs[i].L + drift.L, labs[i].a + drift.a, labs[i].b + drift.b}});
        return patches;
    }
};

double meanLength(const std::vector<Lab>& labs)
{
    double sum = 0;
    for (const Lab& d : labs)
        sum += std::sqrt(d.L * d.L + d.a * d.a + d.b * d.b);
    return sum / labs.size();
}

TEST(DeviceLink, ConstantDriftTakenUpOnAndOffTheChart)
{
    DriftCase c;
    auto original = load(c.linkBytes), link = load(c.linkBytes);
    const std::vector<LinkPatch> patches = c.chart(*link, 300);
    const SmoothOutcome outcome = runLinkCorrection(*link, *c.printer, patches, LinkParameters());
    ASSERT_TRUE(outcome.ok) << outcome.message.english();
    const double drift = std::sqrt(c.drift.L * c.drift.L + c.drift.a * c.drift.a + c.drift.b * c.drift.b);
    EXPECT_LT(meanLength(outcome.remaining), 0.25 * drift);
    ASSERT_EQ(outcome.tables.size(), 1u);
    EXPECT_GT(outcome.tables[0].nodesMoved, 1000); // of 6,561
    EXPECT_LE(outcome.tables[0].largestMove, LinkParameters().smooth.maxMove + 1e-4);

    // Off the chart, where the printer reaches: the drifted print against what the link printed before.
    const std::vector<double> elsewhere = randomSources(500, 77);
    const std::vector<Lab> before = c.modelled(*original, elsewhere), after = c.modelled(*link, elsewhere);
    std::vector<Lab> missBefore, missAfter;
    for (std::size_t i = 0; i < before.size(); ++i) {
        missAfter.push_back({after[i].L + c.drift.L - before[i].L, after[i].a + c.drift.a - before[i].a,
                             after[i].b + c.drift.b - before[i].b});
        missBefore.push_back(c.drift);
    }
    EXPECT_LT(meanLength(missAfter), 0.35 * meanLength(missBefore));

    // Paper stays paper, and the total ink stays within the original's highest.
    const std::vector<double> paper = throughLink(*link, {0, 0, 0, 0});
    for (double v : paper)
        EXPECT_EQ(v, 0.0);
}

TEST(DeviceLink, SingleInkAndBlackOnlySourcesStayPure)
{
    DriftCase c;
    auto original = load(c.linkBytes), kept = load(c.linkBytes), free = load(c.linkBytes);
    const std::vector<LinkPatch> patches = c.chart(*kept, 300);
    LinkParameters parameters;
    ASSERT_TRUE(runLinkCorrection(*kept, *c.printer, patches, parameters).ok);
    parameters.smooth.keepPure = false;
    ASSERT_TRUE(runLinkCorrection(*free, *c.printer, patches, parameters).ok);
    // Ramps of each ink alone, K among them.
    std::vector<double> ramps;
    for (int ink = 0; ink < 4; ++ink)
        for (int step = 1; step <= 40; ++step) {
            double source[4] = {0, 0, 0, 0};
            source[ink] = step / 40.0;
            ramps.insert(ramps.end(), source, source + 4);
        }
    const std::vector<double> before = throughLink(*original, ramps), withKept = throughLink(*kept, ramps),
                              withFree = throughLink(*free, ramps);
    double keptChange = 0, freeChange = 0, ownChange = 0;
    for (std::size_t i = 0; i < ramps.size(); ++i) {
        const bool own = ramps[i] > 0;
        (own ? ownChange : keptChange) = std::max(own ? ownChange : keptChange, std::abs(withKept[i] - before[i]));
        if (!own)
            freeChange = std::max(freeChange, std::abs(withFree[i] - before[i]));
    }
    EXPECT_LE(keptChange, pureOtherInk);
    EXPECT_GT(freeChange, pureOtherInk) << "free, the drift pulls other inks in";
    EXPECT_GT(ownChange, 0.01) << "the ink itself is corrected";
}

TEST(DeviceLink, RefusesWhatItCannotCorrect)
{
    auto link = load(makeLink(2.1));
    auto printer = load(readBytes(testDataPath("cmyk_v2.icc")));
    auto rgb = load(readBytes(testDataPath("rgb_v2_lut8.icc")));
    EXPECT_NE(linkProblem(*printer, *printer).english().find("no device link"), std::string::npos);
    EXPECT_NE(linkProblem(*link, *rgb).english().find("channels"), std::string::npos);
    EXPECT_NE(linkProblem(*link, *link).english().find("Lab"), std::string::npos);
    std::vector<LinkPatch> few = {{{0, 0, 0, 0}, {95, 0, 0}, {95, 0, 0}}};
    EXPECT_FALSE(runLinkCorrection(*link, *printer, few, LinkParameters()).ok);
    std::vector<LinkPatch> wrong(3, {{0.5, 0.5, 0.5}, {50, 0, 0}, {51, 0, 0}});
    const SmoothOutcome outcome = runLinkCorrection(*link, *printer, wrong, LinkParameters());
    EXPECT_NE(outcome.message.english().find("4 source values"), std::string::npos);
}

// The chart of the link case with device values, as a reference file, and
// its measurement with a constant drift.
void writeChart(DriftCase& c, csICCProfile& link, const std::string& refPath, const std::string& measPath)
{
    const std::vector<LinkPatch> patches = c.chart(link, 120);
    std::ofstream ref(refPath), meas(measPath);
    ref << "CGATS.17\nDESCRIPTOR \"Reference\"\nBEGIN_DATA_FORMAT\nSAMPLE_ID CMYK_C CMYK_M CMYK_Y CMYK_K LAB_L LAB_A "
           "LAB_B\nEND_DATA_FORMAT\nBEGIN_DATA\n";
    meas << "CGATS.17\nDESCRIPTOR \"Measured\"\nBEGIN_DATA_FORMAT\nSAMPLE_ID LAB_L LAB_A LAB_B\nEND_DATA_FORMAT\n"
            "BEGIN_DATA\n";
    for (std::size_t i = 0; i < patches.size(); ++i) {
        const LinkPatch& p = patches[i];
        ref << i + 1 << ' ' << 100 * p.source[0] << ' ' << 100 * p.source[1] << ' ' << 100 * p.source[2] << ' '
            << 100 * p.source[3] << ' ' << p.reference.L << ' ' << p.reference.a << ' ' << p.reference.b << '\n';
        meas << i + 1 << ' ' << p.measured.L << ' ' << p.measured.a << ' ' << p.measured.b << '\n';
    }
    ref << "END_DATA\n";
    meas << "END_DATA\n";
}

// The link case written out: the link, its chart and a measurement.
struct LinkFiles
{
    TempDir dir;
    std::string link = dir.path("link.icc"), ref = dir.path("ref.txt"), meas = dir.path("meas.txt");
    LinkFiles()
    {
        DriftCase c;
        writeBytes(link, c.linkBytes);
        writeChart(c, *load(c.linkBytes), ref, meas);
    }
};

TEST(DeviceLink, SessionCorrectsSavesAndUndoesALink)
{
    LinkFiles files;
    CorrectionSession session;
    EXPECT_FALSE(session.openProfile(files.link).ok) << "a link needs the printer profile";
    ASSERT_TRUE(session.setPrinterProfile(testDataPath("cmyk_v2.icc")).ok);
    ASSERT_TRUE(session.openProfile(files.link).ok);
    EXPECT_TRUE(session.isLink());
    ASSERT_TRUE(session.loadPatches(files.meas, PatchFileRole::Measurement).ok);
    ASSERT_TRUE(session.loadPatches(files.ref, PatchFileRole::Reference).ok);
    CorrectionRequest request;
    request.smooth.keepPure = true;
    const CorrectionReport report = session.correct(request);
    ASSERT_TRUE(report.ok) << report.summary;

    EXPECT_LT(session.after().mean, 0.3 * session.before().mean);
    EXPECT_GE(report.mixedMean, 0.0);
    EXPECT_TRUE(session.hasUnsavedChanges());
    request.method = CorrectionMethod::PerPatch;
    EXPECT_FALSE(session.correct(request).ok);
    EXPECT_FALSE(session.exportAbstract(files.dir.path("abstract.icc")).ok);
    ASSERT_TRUE(session.saveAs(files.dir.path("out.icc")).ok);
    auto saved = load(readBytes(files.dir.path("out.icc")));
    EXPECT_EQ(saved->header().deviceClass(), csSig("link"));
    EXPECT_TRUE(saved->hasRequiredTags());
    EXPECT_FALSE(session.saveAs(testDataPath("cmyk_v2.icc")).ok) << "never over the printer profile";
    ASSERT_TRUE(session.undo()) << "the correction is one step";
    EXPECT_TRUE(session.hasUnsavedChanges()) << "the tables as opened differ from those saved";
    ASSERT_TRUE(session.redo());
    EXPECT_FALSE(session.hasUnsavedChanges());
}

TEST(DeviceLink, CommandLineNeedsThePrinterProfileForALinkOnly)
{
    LinkFiles files;
    const std::string printer = testDataPath("cmyk_v2.icc"), out = files.dir.path("out.icc");
    const std::vector<std::string> link = {"correct", "-i", files.link, "-r", files.ref, "-m", files.meas, "-o", out};
    auto with = [](std::vector<std::string> args, std::initializer_list<std::string> more) {
        args.insert(args.end(), more);
        return args;
    };
    struct Case { std::vector<std::string> args; int status; std::vector<const char*> says; };
    const Case cases[] = {
        // Keeping pure inks is on by default for a link.
        {with(link, {"-p", printer}), 0, {"link A2B0 nodes 6561", "keep_pure mean_after"}},
        {link, 2, {"-p"}},
        {{"correct", "-i", printer, "-p", printer, "-r", testDataPath("cmyk_ref.txt"), "-m",
          testDataPath("cmyk_meas.txt"), "-o", out}, 2, {"is none"}},
        {with(link, {"-p", printer, "--abstract", files.dir.path("a.icc")}), 2, {}},
    };
    for (const Case& c : cases) {
        std::remove(out.c_str());
        const CliResult r = runCli(c.args);
        EXPECT_EQ(r.status, c.status) << c.args.back() << ": " << r.err;
        for (const char* words : c.says)
            EXPECT_NE((c.status ? r.err : r.out).find(words), std::string::npos) << words;
        EXPECT_EQ(fileExists(out), c.status == 0) << "written only when it succeeds";
    }
    const CliResult free = runCli(with(link, {"-p", printer, "--no-keep-pure"}));
    EXPECT_EQ(free.status, 0);
    EXPECT_EQ(free.out.find("keep_pure"), std::string::npos);
}

} // namespace
