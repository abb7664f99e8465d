// Window placement stored and restored through a real widget under the offscreen platform.
#include "RegistryFormInfo.h"
#include "QtPrinters.h"
#include "TemporaryStore.h"

#include <QWidget>
#include <gtest/gtest.h>

namespace {

// The value now stored; reading through a setting would write it back, which is harmless here.
qint32 Stored(const QString& name) {
    return TRegistryInteger(name, -99999).Value;
}

class RegistryFormInfo : public testing::Test {
protected:
    TTemporaryStore Store;
};

TEST_F(RegistryFormInfo, SaveStoresPlacementAndRestoreMovesOnly) {
    QWidget window;
    window.setGeometry(40, 50, 300, 200);
    {
        TRegistryFormInfo info(window);
        window.move(120, 130);
        window.resize(320, 240);
        info.Save();
    }
    EXPECT_EQ(Stored("FormState"), 0);
    EXPECT_EQ(Stored("FormLeft"), window.frameGeometry().left());
    EXPECT_EQ(Stored("FormTop"), window.frameGeometry().top());
    EXPECT_EQ(Stored("FormWidth"), window.frameGeometry().width());
    EXPECT_EQ(Stored("FormHeight"), window.frameGeometry().height());
    EXPECT_EQ(Stored("FormClientWidth"), 320);
    EXPECT_EQ(Stored("FormClientHeight"), 240);

    QWidget next;
    next.setGeometry(0, 0, 100, 80);
    TRegistryFormInfo info(next);
    info.Restore();
    EXPECT_EQ(next.pos(), window.pos());
    EXPECT_EQ(next.size(), QSize(100, 80));
}

TEST_F(RegistryFormInfo, DestructionStoresTheLatestPlacementAndState) {
    QWidget window;
    window.setGeometry(10, 20, 300, 200);
    QRect frame;
    {
        TRegistryFormInfo info(window);
        window.move(-5, 33);
        window.setWindowState(Qt::WindowMaximized);
        frame = window.frameGeometry();
    }
    EXPECT_EQ(Stored("FormLeft"), frame.left());
    EXPECT_EQ(Stored("FormTop"), frame.top());
    EXPECT_EQ(Stored("FormState"), 2);
}

TEST_F(RegistryFormInfo, FirstUseTakesTheWindowsOwnValues) {
    QWidget window;
    window.setGeometry(70, 80, 300, 200);
    TRegistryFormInfo info(window);
    window.move(0, 0);
    info.Restore();
    EXPECT_EQ(window.pos(), QPoint(70, 80));
}

} // namespace
