#include "CorrectCommand.h"

#include "CliSupport.h"
#include "MyRCItemModel.h"
#include "PatchCorrector.h"
#include "PatchDataReader.h"
#include "PatchOptimizer.h"
#include "PatchTable.h"
#include "ProfileStamp.h"
#include "SafeFileWriter.h"
#include "csCLUTCube.h"
#include "csErrorLog.h"
#include "csICCProfileConverter.h"

#include <QFile>
#include <QTextStream>

#include <chrono>
#include <cmath>
#include <memory>
#include <vector>

namespace {

// Reads a data file into the table as the window does; false with a message
// when it cannot be opened.
bool loadData(const std::string& path, PatchDataKind kind, PatchTable& table, PatchDataFlags& flags, std::FILE* err)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        std::fprintf(err, "vestrel-cli: cannot open %s\n", path.c_str());
        return false;
    }
    QTextStream stream(&file);
    const int rows = PatchDataReader::read(stream, kind, table, flags);
    MyRCItemModel& model = *table.model();
    if (model.rowCount() > rows)
        model.removeRows(rows, model.rowCount() - rows);
    return true;
}

std::string fileNameOf(const std::string& path)
{
    const std::string::size_type slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

bool parseCorrectOptions(int argc, const char* const* argv, CorrectOptions& options, std::string& problem)
{
    for (int i = 0; i < argc; ++i) {
        const std::string option = argv[i];
        auto value = [&](std::string& target) {
            if (i + 1 >= argc)
                return false;
            target = argv[++i];
            return true;
        };
        bool ok = true;
        if (option == "-i")
            ok = value(options.profilePath);
        else if (option == "-m")
            ok = value(options.measurementPath);
        else if (option == "-r")
            ok = value(options.referencePath);
        else if (option == "-o")
            ok = value(options.outputPath);
        else if (option == "--round-trip")
            options.roundTrip = true;
        else {
            problem = "unknown option '" + option + "'";
            return false;
        }
        if (!ok) {
            problem = option + " needs a path";
            return false;
        }
    }
    if (options.profilePath.empty() || options.measurementPath.empty() || options.outputPath.empty()) {
        problem = "correct needs -i PROFILE, -m MEAS and -o OUT";
        return false;
    }
    return true;
}

int runCorrect(const CorrectOptions& options, std::FILE* out, std::FILE* err)
{
    std::vector<uint8_t> block;
    csICCProfile profile;
    if (readProfile(options.profilePath.c_str(), block, profile, err) != ReadResult::Sound)
        return Failure;
    const uint32_t logged = csErrorLog::count();
    csICCProfileConverter a2b1(&profile, 0, 1, 1), b2a1(&profile, 1, 1, 1);
    if (a2b1.init() != 0 || b2a1.init() != 0) {
        printLogEntries(err, logged);
        return Failure;
    }
    if (*b2a1.inputSpace() != csSig("Lab ")) {
        std::fprintf(err, "vestrel-cli: the profile's B2A1 table does not take Lab\n");
        return Failure;
    }
    if (!csCLUTCube(&b2a1, &a2b1).usable()) {
        std::fprintf(err, "vestrel-cli: the patch correction edits lut8 and lut16 B2A1 tables; this one is '%s'\n",
                     csSigText(b2a1.interpolator()->tag()->getType()).text);
        return Failure;
    }

    // The files in the window's order: measurement, then reference.
    std::unique_ptr<MyRCItemModel> model(PatchTable::createModel(nullptr));
    PatchTable table(model.get());
    PatchDataFlags flags;
    if (!loadData(options.measurementPath, PatchDataKind::Measurement, table, flags, err))
        return Failure;
    if (!options.referencePath.empty() &&
        !loadData(options.referencePath, PatchDataKind::Reference, table, flags, err))
        return Failure;
    if (!flags.hasMeas || !flags.hasRef) {
        std::fprintf(err, "vestrel-cli: no %s values were read\n", flags.hasMeas ? "reference" : "measured");
        return Failure;
    }
    const int rows = model->rowCount();
    for (int row = 0; row < rows; ++row)
        table.updateDeltaE(row);

    if (options.roundTrip) {
        for (int row = 0; row < rows; ++row)
            PatchOptimizer::roundTripRow(table, row, b2a1, a2b1);
        for (int row = 0; row < rows; ++row) {
            PatchOptimizer::roundTripRow(table, row, b2a1, a2b1);
            table.updateDeltaE(row);
        }
    }

    std::vector<int> all(static_cast<std::size_t>(rows));
    for (int row = 0; row < rows; ++row)
        all[static_cast<std::size_t>(row)] = row;
    const double threshold = PatchOptimizer::autoThreshold(table, all, options.roundTrip);

    // One corrector per row, kept to the end as the window keeps its forms.
    std::vector<std::unique_ptr<PatchCorrector>> correctors;
    const auto start = std::chrono::steady_clock::now();
    auto lastReport = start;
    int patches = 0;
    double sumBefore = 0, sumAfter = 0, maxAfter = 0;
    // Every aim first, from the table as it was printed: the measured offsets
    // belong to that table, so an aim taken after other patches have moved
    // shared nodes would aim at the wrong place.
    std::vector<int> patchRows;
    std::vector<double> before;
    for (int row = 0; row < rows; ++row) {
        double refL, refA, refB, measL, measA, measB;
        if (!table.getRefLab(row, refL, refA, refB) || !table.getMeasLab(row, measL, measA, measB))
            continue;
        auto corrector = std::make_unique<PatchCorrector>(&b2a1, &a2b1);
        if (!corrector->setPatch({refL, refA, refB}, {measL, measA, measB}, threshold))
            continue;
        before.push_back(corrector->deltaE());
        correctors.push_back(std::move(corrector));
        patchRows.push_back(row);
    }
    for (std::size_t i = 0; i < correctors.size(); ++i) {
        const auto now = std::chrono::steady_clock::now();
        if (now - lastReport > std::chrono::seconds(1)) {
            std::fprintf(err, "vestrel-cli: %zu of %zu patches\n", i, correctors.size());
            lastReport = now;
        }
        PatchCorrector& corrector = *correctors[i];
        const int row = patchRows[i];
        corrector.iterate(options.roundTrip);
        const Lab& d = corrector.delta();
        const double after = std::sqrt(d.L * d.L + d.a * d.a + d.b * d.b);
        table.setOptimizedDelta(row, d.L, d.a, d.b);
        const QString name = model->data(model->index(row, PatchTable::RefName)).toString();
        std::fprintf(out, "%d %s %.2f %.2f %.2f %.2f %.2f\n", row, name.toUtf8().constData(), before[i], d.L, d.a,
                     d.b, after);
        ++patches;
        sumBefore += before[i];
        sumAfter += after;
        maxAfter = std::max(maxAfter, after);
    }
    if (patches == 0) {
        std::fprintf(err, "vestrel-cli: no patch has both reference and measured values\n");
        return Failure;
    }
    std::fprintf(out, "patches %d mean_before %.2f mean_after %.2f max_after %.2f\n", patches,
                 patches ? sumBefore / patches : 0.0, patches ? sumAfter / patches : 0.0, maxAfter);

    stampProfile(profile, fileNameOf(options.outputPath), profileCopyright);
    std::vector<uint8_t> written;
    if (profile.writeToMemory(written) != 0) {
        printLogEntries(err, logged);
        return Failure;
    }
    std::string reason;
    if (!writeFileSafely(options.outputPath, written, reason)) {
        std::fprintf(err, "vestrel-cli: cannot write %s: %s\n", options.outputPath.c_str(), reason.c_str());
        return Failure;
    }
    return Success;
}
