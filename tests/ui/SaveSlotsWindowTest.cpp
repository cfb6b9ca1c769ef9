// The Load and Save windows by keyboard alone.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QTimer>

#include "SaveSlotsWindow.h"
#include "UiTestSupport.h"

using namespace parvel;
using namespace parvel::ui;

namespace {

std::vector<SaveSlots::Slot> twoSlots() {
    return {{"quick", "Road", "The road runs east.", "2026-12-07 20:20:15", {}},
            {"autosave", "Dusk", "Dusk on the old road.", "2026-12-07 20:20:14", {}}};
}

// Runs `keys` on the window once its event loop runs; the slot it accepted.
std::string chooseByKeys(SaveSlotsWindow& w, const std::function<void()>& keys) {
    QTimer::singleShot(0, &w, keys);
    return w.exec() == QDialog::Accepted ? w.chosenSlot() : std::string("(cancelled)");
}

}  // namespace

TEST(SaveSlotsWindow, LoadTakesArrowsEnterAndEscape) {
    parvel::ui::test::app();
    SaveSlotsWindow w(SaveSlotsWindow::Mode::Load, twoSlots());
    auto* list = w.findChild<QListWidget*>("slotList");
    ASSERT_TRUE(list);
    EXPECT_EQ(list->item(0)->text(), "Quick save\nThe road runs east.\n2026-12-07 20:20:15");
    EXPECT_EQ(chooseByKeys(w, [list] {
                  QTest::keyClick(list, Qt::Key_Down);
                  QTest::keyClick(list, Qt::Key_Return);
              }),
              "autosave");
    SaveSlotsWindow again(SaveSlotsWindow::Mode::Load, twoSlots());
    EXPECT_EQ(chooseByKeys(again, [&again] { QTest::keyClick(&again, Qt::Key_Escape); }), "(cancelled)");
}

TEST(SaveSlotsWindow, SaveTakesANewNameOrTheChosenSlot) {
    parvel::ui::test::app();
    SaveSlotsWindow w(SaveSlotsWindow::Mode::Save, twoSlots());
    auto* name = w.findChild<QLineEdit*>("slotName");
    ASSERT_TRUE(name);
    EXPECT_EQ(name->text(), "");  // nothing chosen yet
    EXPECT_EQ(chooseByKeys(w, [name] {
                  name->selectAll();
                  QTest::keyClicks(name, "before the gate");
                  QTest::keyClick(name, Qt::Key_Return);
              }),
              "before the gate");
}
