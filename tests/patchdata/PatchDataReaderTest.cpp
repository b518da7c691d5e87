#include "MyRCItemModel.h"
#include "PatchDataReader.h"
#include "PatchTable.h"
#include "TestSupport.h"

#include <QFile>
#include <QTextStream>

#include <gtest/gtest.h>

#include <memory>

namespace {

class ReaderTest : public ::testing::Test
{
protected:
    ReaderTest() : model(PatchTable::createModel(nullptr)), table(model.get()) {}

    int readText(const QString& text, PatchDataKind kind)
    {
        QString copy = text;
        QTextStream stream(&copy);
        return PatchDataReader::read(stream, kind, table, flags);
    }
    int readFile(const char* name, PatchDataKind kind)
    {
        QFile file(QString::fromStdString(testDataPath(name)));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text)) << name;
        QTextStream stream(&file);
        return PatchDataReader::read(stream, kind, table, flags);
    }
    QString cell(int row, int column) const { return model->data(model->index(row, column)).toString(); }

    std::unique_ptr<MyRCItemModel> model;
    PatchTable table;
    PatchDataFlags flags;
};

TEST_F(ReaderTest, ReferenceAndMeasurementFiles)
{
    EXPECT_EQ(readFile("cmyk_ref.txt", PatchDataKind::Reference), 100);
    EXPECT_TRUE(flags.hasRef);
    EXPECT_FALSE(flags.hasMeas);
    EXPECT_EQ(cell(0, PatchTable::RowNumber), "0");
    EXPECT_EQ(cell(0, PatchTable::RefName), "1");
    EXPECT_EQ(cell(0, PatchTable::RefL), "95.20");
    EXPECT_EQ(cell(99, PatchTable::RowNumber), "99");

    EXPECT_EQ(readFile("cmyk_meas.txt", PatchDataKind::Measurement), 100);
    EXPECT_TRUE(flags.hasMeas);
    EXPECT_EQ(cell(0, PatchTable::MeasName), "1");
    EXPECT_EQ(cell(0, PatchTable::RefL), "95.20") << "the reference columns stay";
    double L, a, b;
    EXPECT_TRUE(table.getMeasLab(99, L, a, b));
}

TEST_F(ReaderTest, CombinedFileFillsBothSidesAndMarks)
{
    EXPECT_EQ(readFile("cmyk_combined.txt", PatchDataKind::Measurement), 100);
    EXPECT_TRUE(flags.hasMeas);
    EXPECT_TRUE(flags.hasRef);
    EXPECT_TRUE(flags.hasTolFailed);
    // SAMPLE_NAME wins over SAMPLE_ID for the names.
    EXPECT_EQ(cell(2, PatchTable::RefName), "P003");
    EXPECT_EQ(cell(2, PatchTable::MeasName), "P003");
    EXPECT_EQ(cell(2, PatchTable::RefL), "47.18");
    EXPECT_EQ(cell(2, PatchTable::MeasL), "46.63");
    EXPECT_EQ(cell(2, PatchTable::ToleranceMark), "1");
    EXPECT_EQ(cell(1, PatchTable::ToleranceMark), "0");
    EXPECT_TRUE(table.toleranceFailed(2));
}

TEST_F(ReaderTest, BadLinesAreSkipped)
{
    EXPECT_EQ(readFile("bad_lines.txt", PatchDataKind::Reference), 5);
    const char* ids[] = {"1", "3", "5", "7", "8"};
    for (int row = 0; row < 5; ++row)
        EXPECT_EQ(cell(row, PatchTable::RefName), ids[row]) << row;
    EXPECT_EQ(model->rowCount(), 10) << "grown to NUMBER_OF_SETS; the window trims to the rows read";
}

TEST_F(ReaderTest, ShapesOfFiles)
{
    struct Case { const char* what; const char* text; int rows; int rowCount; };
    const Case cases[] = {
        {"no Lab fields", "CGATS.17\nBEGIN_DATA_FORMAT\nSAMPLE_ID XYZ_X XYZ_Y XYZ_Z\nEND_DATA_FORMAT\n"
                          "BEGIN_DATA\n1 1 2 3\nEND_DATA\n", 0, 1},
        {"count larger than the data", "NUMBER_OF_SETS 100\nSAMPLE_ID LAB_L LAB_A LAB_B\n1 50 0 0\n2 60 0 0\n", 2, 100},
        {"a lying count", "NUMBER_OF_SETS 2000000000\nSAMPLE_ID LAB_L LAB_A LAB_B\n1 50 0 0\n", 1,
         PatchDataReader::maxRowsFromCount},
        {"a count that is no number", "NUMBER_OF_SETS many\nSAMPLE_ID LAB_L LAB_A LAB_B\n1 50 0 0\n", 1, 1},
        {"leading white space", "  SAMPLE_ID LAB_L LAB_A LAB_B\n  7 50 1 2\n", 1, 1},
        {"no name field", "LAB_L LAB_A LAB_B\n50 1 2\n51 1 2\n", 2, 2},
    };
    for (const Case& c : cases) {
        model.reset(PatchTable::createModel(nullptr));
        table = PatchTable(model.get());
        flags = PatchDataFlags();
        EXPECT_EQ(readText(c.text, PatchDataKind::Reference), c.rows) << c.what;
        EXPECT_EQ(model->rowCount(), c.rowCount) << c.what;
    }
    EXPECT_EQ(cell(1, PatchTable::RefL), "51.00");
}

} // namespace
