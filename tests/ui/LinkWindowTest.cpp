// Device links and pure inks in the window: a link opens with the printer's
// profile asked for once, shows the chart's patches, corrects with pure
// inks kept by default and undoes; a printer profile's correction is
// exported as an abstract profile.

#include "ScriptedWindow.h"
#include "PatchTableModel.h"
#include "TestSupport.h"
#include "csICCProfile.h"
#include "mainwindow.h"

#include <QUndoStack>

#include <gtest/gtest.h>
#include <lcms2.h>

#include <fstream>

namespace {

QString dataPath(const std::string& name)
{
    return QString::fromStdString(testDataPath(name));
}

// A link between the shared profiles, and a chart of 60 patches with its
// source values whose measurement is what the printer profile predicts,
// lighter by 2.
void writeLinkCase(const TempDir& dir)
{
    cmsHPROFILE source = cmsOpenProfileFromFile(testDataPath("cmyk_v4.icc").c_str(), "r");
    cmsHPROFILE printer = cmsOpenProfileFromFile(testDataPath("cmyk_v2.icc").c_str(), "r");
    cmsHTRANSFORM toPrinter = cmsCreateTransform(source, TYPE_CMYK_16, printer, TYPE_CMYK_16,
                                                 INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_GRIDPOINTS(9));
    cmsHPROFILE link = cmsTransform2DeviceLink(toPrinter, 2.1, cmsFLAGS_GRIDPOINTS(9));
    cmsSaveProfileToFile(link, dir.path("link.icc").c_str());
    cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
    cmsHTRANSFORM print = cmsCreateTransform(link, TYPE_CMYK_DBL, nullptr, TYPE_CMYK_DBL, 0, 0);
    cmsHTRANSFORM measure = cmsCreateTransform(printer, TYPE_CMYK_DBL, lab, TYPE_Lab_DBL,
                                               INTENT_ABSOLUTE_COLORIMETRIC, 0);
    std::ofstream ref(dir.path("ref.txt")), meas(dir.path("meas.txt"));
    ref << "CGATS.17\nDESCRIPTOR \"Reference\"\nBEGIN_DATA_FORMAT\nSAMPLE_ID CMYK_C CMYK_M CMYK_Y CMYK_K LAB_L LAB_A "
           "LAB_B\nEND_DATA_FORMAT\nBEGIN_DATA\n";
    meas << "CGATS.17\nDESCRIPTOR \"Measured\"\nBEGIN_DATA_FORMAT\nSAMPLE_ID LAB_L LAB_A LAB_B\nEND_DATA_FORMAT\n"
            "BEGIN_DATA\n";
    for (int i = 0; i < 60; ++i) {
        double cmyk[4] = {double(i * 37 % 100), double(i * 53 % 100), double(i * 71 % 100), double(i * 13 % 60)};
        double printed[4];
        cmsCIELab lab0;
        cmsDoTransform(print, cmyk, printed, 1);
        cmsDoTransform(measure, printed, &lab0, 1);
        ref << i + 1 << ' ' << cmyk[0] << ' ' << cmyk[1] << ' ' << cmyk[2] << ' ' << cmyk[3] << ' ' << lab0.L << ' '
            << lab0.a << ' ' << lab0.b << '\n';
        meas << i + 1 << ' ' << lab0.L + 2 << ' ' << lab0.a << ' ' << lab0.b << '\n';
    }
    ref << "END_DATA\n";
    meas << "END_DATA\n";
    for (cmsHTRANSFORM t : {toPrinter, print, measure})
        cmsDeleteTransform(t);
    for (cmsHPROFILE p : {source, printer, link, lab})
        cmsCloseProfile(p);
}

TEST(LinkWindow, OpensALinkWithItsPrinterCorrectsKeepingPureInksAndUndoes)
{
    TempDir dir;
    writeLinkCase(dir);
    ScriptedWindow window;
    // Without a printer profile the link is not opened.
    EXPECT_FALSE(window.openProfile(QString::fromStdString(dir.path("link.icc"))));
    EXPECT_EQ(window.printerAsked, 1);
    EXPECT_FALSE(window.session().hasProfile());

    window.printerProfile = dataPath("cmyk_v2.icc");
    ASSERT_TRUE(window.openProfile(QString::fromStdString(dir.path("link.icc"))));
    EXPECT_EQ(window.printerAsked, 2);
    EXPECT_TRUE(window.session().isLink());
    EXPECT_TRUE(window.keepPure()) << "on for a link";
    window.openRef(QString::fromStdString(dir.path("ref.txt")));
    window.openMeas(QString::fromStdString(dir.path("meas.txt")));
    EXPECT_EQ(window.patchModel()->rowCount(), 60);
    EXPECT_EQ(window.openDetails(0), nullptr) << "the details window shows printer profiles only";

    window.setMethod(CorrectionMethod::Smooth);
    QMetaObject::invokeMethod(&window, "on_pushButtonAuto_clicked");
    ASSERT_TRUE(window.session().applied().done) << window.dialogs.join(QStringLiteral("\n")).toStdString();
    EXPECT_LT(window.session().after().mean, 0.5 * window.session().before().mean);
    EXPECT_TRUE(window.session().hasUnsavedChanges());
    window.undoStack()->undo();
    EXPECT_FALSE(window.session().hasUnsavedChanges());
    EXPECT_FALSE(window.exportAbstract(QString::fromStdString(dir.path("abstract.icc"))));

    // A printer profile opened next: keep-pure off, and no question about a printer.
    ASSERT_TRUE(window.openProfile(dataPath("cmyk_v2.icc")));
    EXPECT_FALSE(window.session().isLink());
    EXPECT_FALSE(window.keepPure());
    EXPECT_EQ(window.printerAsked, 2);
}

TEST(LinkWindow, ExportsAPrinterProfilesCorrectionAsAnAbstractProfile)
{
    TempDir dir;
    ScriptedWindow window;
    ASSERT_TRUE(window.openProfile(dataPath("cmyk_v2.icc")));
    window.openRef(dataPath("cmyk_ref.txt"));
    window.openMeas(dataPath("cmyk_meas.txt"));
    window.setMethod(CorrectionMethod::Smooth);
    window.setKeepPure(true);
    QMetaObject::invokeMethod(&window, "on_pushButtonAuto_clicked");
    ASSERT_TRUE(window.session().applied().done);
    EXPECT_TRUE(window.session().applied().smooth.keepPure);
    window.savePath = QString::fromStdString(dir.path("fix"));
    ASSERT_TRUE(window.exportAbstract(QString()));
    const std::vector<uint8_t> bytes = readBytes(dir.path("fix.icc"));
    csICCProfile abstract;
    ASSERT_EQ(abstract.setProfile(bytes.data(), bytes.size()), 0);
    EXPECT_EQ(abstract.header().deviceClass(), csSig("abst"));
    EXPECT_TRUE(abstract.hasRequiredTags());
    // Never over an input.
    EXPECT_FALSE(window.exportAbstract(dataPath("cmyk_ref.txt")));
}

} // namespace
