// The window fits the screens people have: every control within reach on a
// 1,024 x 700 screen with the plots beside the table, and on 1,600 x 1,000
// at scale 2 (800 x 500 in the toolkit's pixels), where the plots start
// hidden; in English and in German.

#include "GermanTranslation.h"
#include "TestSupport.h"
#include "mainwindow.h"

#include <QDockWidget>
#include <QGuiApplication>
#include <QLayout>
#include <QScreen>

#include <gtest/gtest.h>

#include <optional>

namespace {

// The smallest size the window can take, with or without the plots.
QSize minimumWith(MainWindow& window, bool plots)
{
    window.plotsDock()->setVisible(plots);
    window.show();
    QCoreApplication::processEvents();
    window.layout()->invalidate();
    window.layout()->activate();
    return window.minimumSizeHint().expandedTo(window.minimumSize());
}

TEST(WindowSize, TheMinimumFitsSmallScreens)
{
    struct Case
    {
        const char* screen;
        bool plots;
        QSize room; // the screen less a frame, a title bar and a panel
    };
    const Case cases[] = {
        {"1,024 x 700, plots beside the table", true, {1024 - 24, 700 - 60}},
        {"1,600 x 1,000 at scale 2, plots hidden", false, {800 - 24, 500 - 60}},
    };
    // German texts are longer than English ones: the window must fit in both.
    for (const bool german : {false, true}) {
        SCOPED_TRACE(german ? "German" : "English");
        std::optional<GermanTranslation> translation;
        if (german) {
            translation.emplace();
            ASSERT_TRUE(translation->installed());
        }
        MainWindow window;
        ASSERT_TRUE(window.openProfile(QString::fromStdString(testDataPath("cmyk_v2.icc"))));
        window.loadDataFile(PatchFileRole::Reference, QString::fromStdString(testDataPath("cmyk_ref.txt")));
        window.loadDataFile(PatchFileRole::Measurement, QString::fromStdString(testDataPath("cmyk_meas.txt")));
        for (const Case& c : cases) {
            SCOPED_TRACE(c.screen);
            const QSize minimum = minimumWith(window, c.plots);
            EXPECT_LE(minimum.width(), c.room.width());
            EXPECT_LE(minimum.height(), c.room.height());
        }
    }
}

TEST(WindowSize, ThePlotsStartHiddenWhereTheyWouldNotFit)
{
    // The offscreen platform's screen is 800 pixels wide: too narrow for
    // the table and the plots side by side.
    ASSERT_LT(QGuiApplication::primaryScreen()->availableGeometry().width(), 1000);
    MainWindow window;
    EXPECT_TRUE(window.plotsDock()->isHidden());
}

} // namespace
