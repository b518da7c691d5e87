// The window's choice of pairing: files whose ids are a mere count are
// refused until the user picks a pairing, the choice pairs loaded files
// again at once, and undo takes it back.

#include "ScriptedWindow.h"
#include "PatchTableModel.h"
#include "TestSupport.h"
#include "mainwindow.h"

#include <QActionGroup>
#include <QMenu>
#include <QUndoStack>

#include <gtest/gtest.h>

#include <string>

namespace {

// Six patches named A1..A6; the measurement numbers its rows 1..6 in
// another order, as a strip reader's running count would.
std::string patchFile(bool measurement)
{
    const char* names[] = {"A1", "A2", "A3", "A4", "A5", "A6"};
    const double L[] = {90, 75, 60, 45, 30, 15};
    const int order[] = {3, 5, 0, 4, 1, 2};
    std::string text = "CGATS.17\nBEGIN_DATA_FORMAT\nSAMPLE_ID SAMPLE_NAME LAB_L LAB_A LAB_B\nEND_DATA_FORMAT\nBEGIN_DATA\n";
    for (int row = 0; row < 6; ++row) {
        const int patch = measurement ? order[row] : row;
        text += std::to_string(row + 1) + ' ' + names[patch] + ' ' +
                std::to_string(L[patch] + (measurement ? 1.0 : 0.0)) + " 0 0\n";
    }
    return text + "END_DATA\n";
}

QAction* pairingAction(QMainWindow& window, PairBy by)
{
    for (QAction* action : window.findChild<QMenu*>(QStringLiteral("menuPairing"))->actions())
        if (action->data().toInt() == static_cast<int>(by))
            return action;
    return nullptr;
}

TEST(PairingMenu, TheUsersChoicePairsTheLoadedFilesAgain)
{
    TempDir dir;
    const std::string ref = dir.path("ref.txt"), meas = dir.path("meas.txt");
    for (bool measurement : {false, true}) {
        const std::string text = patchFile(measurement);
        writeBytes(measurement ? meas : ref, std::vector<uint8_t>(text.begin(), text.end()));
    }
    ScriptedWindow window;
    ASSERT_TRUE(window.openProfile(QString::fromStdString(testDataPath("cmyk_v2.icc"))));
    EXPECT_TRUE(pairingAction(window, PairBy::Auto)->isChecked());
    ASSERT_TRUE(window.loadDataFile(PatchFileRole::Reference, QString::fromStdString(ref)));
    // Ids and names disagree in every pair but one, and names pair every
    // patch: paired by name, with a word about it.
    ASSERT_TRUE(window.loadDataFile(PatchFileRole::Measurement, QString::fromStdString(meas)));
    const auto deltaOf = [&](int row) {
        return window.patchModel()->index(row, PatchTableModel::DeltaE).data().toDouble();
    };
    EXPECT_NEAR(deltaOf(0), 1.0, 0.01);

    // The user insists on the ids: the same files pair again, row by row.
    window.undoStack()->clear();
    pairingAction(window, PairBy::Id)->trigger();
    EXPECT_TRUE(pairingAction(window, PairBy::Id)->isChecked());
    EXPECT_EQ(window.session().pairBy(), PairBy::Id);
    EXPECT_NEAR(deltaOf(0), 44.0, 0.01) << "id 1 is A4 in the measurement";

    // Undo brings back the pairing and the menu that shows it.
    window.undoStack()->undo();
    EXPECT_EQ(window.session().pairBy(), PairBy::Auto);
    EXPECT_TRUE(pairingAction(window, PairBy::Auto)->isChecked());
    EXPECT_NEAR(deltaOf(0), 1.0, 0.01);

    // A pairing the files cannot give is refused and changes nothing.
    pairingAction(window, PairBy::Location)->trigger();
    EXPECT_EQ(window.session().pairBy(), PairBy::Auto);
    EXPECT_TRUE(pairingAction(window, PairBy::Auto)->isChecked());
    ASSERT_FALSE(window.dialogs.isEmpty());
    EXPECT_TRUE(window.dialogs.last().contains("SAMPLE_LOC")) << window.dialogs.last().toStdString();
    EXPECT_NEAR(deltaOf(0), 1.0, 0.01);
}

} // namespace
