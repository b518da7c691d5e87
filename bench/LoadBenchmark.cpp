// Times loading a chart of 1,617 patches (the size of an IT8.7/4 chart)
// into the main window: the reference file, then the measurement file, each
// with every row's swatches, Delta E and the averages. Prints the figures;
// it asserts nothing.

#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <random>

namespace {

constexpr int patches = 1617;

QString writeChart(const QString& folder, const char* name, double noise)
{
    const QString path = folder + QLatin1Char('/') + QLatin1String(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Text);
    QTextStream out(&file);
    out << "CGATS.17\nNUMBER_OF_FIELDS 4\nBEGIN_DATA_FORMAT\nSAMPLE_ID LAB_L LAB_A LAB_B\nEND_DATA_FORMAT\n"
        << "NUMBER_OF_SETS " << patches << "\nBEGIN_DATA\n";
    std::mt19937 random(17);
    std::uniform_real_distribution<double> L(5, 95), ab(-80, 80), jitter(-noise, noise);
    for (int i = 1; i <= patches; ++i)
        out << i << ' ' << QString::number(L(random) + jitter(random), 'f', 2) << ' '
            << QString::number(ab(random) + jitter(random), 'f', 2) << ' '
            << QString::number(ab(random) + jitter(random), 'f', 2) << '\n';
    out << "END_DATA\n";
    return path;
}

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QStandardPaths::setTestModeEnabled(true);
    QApplication application(argc, argv);
    QTemporaryDir folder;
    const QString reference = writeChart(folder.path(), "reference.txt", 0.0);
    const QString measurement = writeChart(folder.path(), "measurement.txt", 3.0);

    double bestReference = 1e9, bestMeasurement = 1e9, bestSorted = 1e9;
    for (int round = 0; round < 5; ++round) {
        MainWindow window;
        window.show();
        QElapsedTimer timer;
        timer.start();
        window.openRef(reference);
        bestReference = std::min(bestReference, timer.nsecsElapsed() / 1e6);
        timer.restart();
        window.openMeas(measurement);
        bestMeasurement = std::min(bestMeasurement, timer.nsecsElapsed() / 1e6);
        // Loading again while the view is sorted by Delta E.
        QMetaObject::invokeMethod(&window, "horHeaderClicked", Q_ARG(int, 9));
        timer.restart();
        window.openMeas(measurement);
        bestSorted = std::min(bestSorted, timer.nsecsElapsed() / 1e6);
    }
    std::printf("load %d patches: reference %.1f ms, measurement %.1f ms, measurement into a sorted view %.1f ms "
                "(best of 5)\n",
                patches, bestReference, bestMeasurement, bestSorted);

    // Open, load both files and "Auto" over every patch: processor time, as
    // the user waits for it, for each method.
    for (CorrectionMethod method : {CorrectionMethod::PerPatch, CorrectionMethod::Smooth}) {
        double bestAuto = 1e9, bestWhole = 1e9;
        for (int round = 0; round < 3; ++round) {
            MainWindow window;
            window.setMethod(method);
            window.show();
            const std::clock_t start = std::clock();
            window.openProfile(QStringLiteral(VESTREL_SAMPLES "/cmyk_v2.icc"));
            window.openRef(reference);
            window.openMeas(measurement);
            window.form()->tableView->selectAll();
            const std::clock_t beforeAuto = std::clock();
            QMetaObject::invokeMethod(&window, "on_pushButtonAuto_clicked");
            const std::clock_t end = std::clock();
            bestAuto = std::min(bestAuto, 1000.0 * (end - beforeAuto) / CLOCKS_PER_SEC);
            bestWhole = std::min(bestWhole, 1000.0 * (end - start) / CLOCKS_PER_SEC);
        }
        std::printf("open, load both and Auto (%s) over %d patches in the window: %.0f ms processor time, of it "
                    "Auto %.0f ms (best of 3)\n",
                    method == CorrectionMethod::Smooth ? "Smooth" : "Per patch", patches, bestWhole, bestAuto);
    }
    return 0;
}
