// The main window at scale, offscreen, in processor time: select-all over the whole table (the
// selection reaching the plots and the window painted again), and Auto per
// patch over every patch against the session correcting the same data as
// vestrel-cli correct does, in turns. Prints the figures; asserts nothing.

#include "BenchmarkChart.h"
#include "CorrectionSession.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

// Processor time of this process in ms: the machine is shared, and the
// window's work and the correction's run on this one thread alike.
double processorMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

struct Since
{
    double start = processorMs();
    double ms() const { return processorMs() - start; }
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n == 0 ? 0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

const char* const profile = VESTREL_SAMPLES "/cmyk_v2.icc";

// A window at a desktop size with the plots shown, the chart loaded, and
// everything it had to paint painted.
std::unique_ptr<MainWindow> loadedWindow(const std::string& reference, const std::string& measurement)
{
    auto window = std::make_unique<MainWindow>();
    window->resize(1600, 1000);
    window->setMethod(CorrectionMethod::PerPatch);
    window->show();
    window->plotsDock()->show();
    window->openProfile(QString::fromUtf8(profile));
    window->openRef(QString::fromStdString(reference));
    window->openMeas(QString::fromStdString(measurement));
    // As long as a person takes to reach for the next command: the window
    // does what it does while idle.
    QElapsedTimer idle;
    idle.start();
    while (idle.elapsed() < 300)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    return window;
}

// Until the window has painted what the last step changed.
void settle()
{
    QApplication::sendPostedEvents();
    QApplication::processEvents();
}

void selectAll(std::size_t patches, const std::string& reference, const std::string& measurement)
{
    auto window = loadedWindow(reference, measurement);
    QTableView* table = window->form()->tableView;
    std::vector<double> all, none, one;
    for (int round = 0; round < 7; ++round) {
        Since since;
        table->selectAll();
        settle();
        all.push_back(since.ms());
        since = Since();
        table->clearSelection();
        settle();
        none.push_back(since.ms());
        since = Since();
        table->selectRow(round + 1);
        settle();
        one.push_back(since.ms());
    }
    std::printf("select all of %zu rows and paint, processor time: min %.1f ms, median %.1f ms; clear %.1f / %.1f ms; one row %.1f / "
                "%.1f ms (7 rounds)\n",
                patches, *std::min_element(all.begin(), all.end()), median(all),
                *std::min_element(none.begin(), none.end()), median(none),
                *std::min_element(one.begin(), one.end()), median(one));
}

// The window's Auto (Per patch, every row selected, until painted) against
// CorrectionSession::correct over every patch as vestrel-cli runs it, each
// on a fresh load of the same files, in turns.
void autoAgainstCli(std::size_t patches, const std::string& reference, const std::string& measurement, int rounds)
{
    std::vector<double> windowTimes, cliTimes, ratios, clicks;
    for (int round = 0; round < rounds; ++round) {
        double w = 0, c = 0, click = 0;
        auto runWindow = [&] {
            auto window = loadedWindow(reference, measurement);
            window->form()->tableView->selectAll();
            settle();
            const Since since;
            QMetaObject::invokeMethod(window.get(), "on_pushButtonAuto_clicked");
            click = since.ms();
            settle();
            w = since.ms();
        };
        auto runCli = [&] {
            CorrectionSession session;
            session.openProfile(profile);
            session.loadPatches(measurement, PatchFileRole::Measurement);
            session.loadPatches(reference, PatchFileRole::Reference);
            CorrectionRequest request;
            request.method = CorrectionMethod::PerPatch;
            for (std::size_t i = 0; i < session.patches().size(); ++i)
                request.selection.push_back(i);
            const Since since;
            const CorrectionReport report = session.correct(request, [](std::size_t, std::size_t) { return true; });
            c = since.ms();
            if (!report.ok)
                std::printf("the session's correction failed: %s\n", report.summary.c_str());
        };
        if (round % 2) {
            runCli();
            runWindow();
        } else {
            runWindow();
            runCli();
        }
        clicks.push_back(click);
        windowTimes.push_back(w);
        cliTimes.push_back(c);
        ratios.push_back(w / c);
    }
    std::printf("Auto per patch over %zu patches, processor time: window %.0f ms (%.0f until the click returns, the rest painting), as "
                "vestrel-cli corrects %.0f ms (medians); window/CLI ratio min %.2f median %.2f (%d rounds)\n",
                patches, median(windowTimes), median(clicks), median(cliTimes), *std::min_element(ratios.begin(), ratios.end()),
                median(ratios), rounds);
}

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QStandardPaths::setTestModeEnabled(true);
    QApplication application(argc, argv);
    // The offscreen platform's complaints are not the benchmark's output.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    // For a profiler: "select" runs the select-all figures only; a number
    // runs that chart size only.
    bool selectOnly = false;
    std::vector<std::size_t> sizes{1617, 10000};
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "select")
            selectOnly = true;
        else if (std::atol(argv[i]) > 0)
            sizes = {static_cast<std::size_t>(std::atol(argv[i]))};
    }
    QTemporaryDir folder;
    for (std::size_t patches : sizes) {
        const std::string base = folder.path().toStdString() + "/" + std::to_string(patches);
        const std::string reference = base + "_ref.txt", measurement = base + "_meas.txt";
        writeChart(profile, patches, reference, measurement);
        selectAll(patches, reference, measurement);
        if (!selectOnly)
            autoAgainstCli(patches, reference, measurement, patches > 5000 ? 5 : 7);
    }
    return 0;
}
