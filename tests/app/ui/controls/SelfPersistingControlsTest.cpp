// The self-persisting Setup controls on a window, against a real settings store in a temporary folder.
#include "RegistryStore.h"
#include "RegistryVariables.h"
#include "TemporaryStore.h"
#include "VelCheckBox.h"
#include "VelCheckListBox.h"
#include "VelEdit.h"
#include "VelLabeledEdit.h"
#include "VelRadioGroup.h"

#include <QFocusEvent>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

namespace {

const QStringList kBands = {"B01", "B02", "B03", "B04", "B05", "B06", "B07", "B08",
                            "B09", "B10", "B11", "B12", "B13", "B14", "B15", "B16"};

// A cut-down Setup tab: one control of each kind, named as on the main window.
struct SetupWindow {
    SetupWindow() {
        Satellite =
            Named(new TVelRadioGroup(" Satellite ", {"GOES-16", "GOES-17", "GOES-18", "GOES-19"}, &Window),
                  "RadioGroupSatellite", "Satellite");
        Satellite->SetItemIndex(0);
        Jpeg = Named(new TVelCheckBox("Save as JPEG", &Window), "CheckBoxSaveAsJPEG", "SaveAsJPEG");
        Jpeg->setChecked(true);
        JpegLow =
            Named(new TVelCheckBox("Save as JPEG Low)", &Window), "CheckBoxSaveAsJpegLow", "SaveAsJpegLow");
        SourcePath =
            Named(new TVelLabeledEdit("Source path", &Window), "LabeledEditSourcePath", "SourcePath");
        Bands = Named(new TVelCheckListBox(&Window), "CheckListBoxBandsSelected", "BandsSelected");
        Bands->AddItems(kBands);
        JobB01 = Named(new TVelEdit(&Window), "EditB01Quillmapjob", "B01Quillmapjob");
        JobB01->setText("0");
        JobB01->SetNumbersOnly(true);

        for (TVelCheckBox* box : {Jpeg, JpegLow}) {
            QObject::connect(box, &QCheckBox::clicked, [this] { ++Clicks; });
            QObject::connect(box, &QCheckBox::toggled, [this] { ++Clicks; });
        }
        QObject::connect(Satellite, &TVelRadioGroup::Click, [this] { ++Clicks; });
        QObject::connect(Bands, &TVelCheckListBox::ClickCheck, [this] { ++Clicks; });

        RestoreSelfPersistingControls(Window);
    }

    template <class TControl>
    static TControl* Named(TControl* control, const QString& name, const QString& value) {
        control->setObjectName(name);
        control->NamedAs = value;
        return control;
    }

    QWidget Window;
    TVelRadioGroup* Satellite;
    TVelCheckBox* Jpeg;
    TVelCheckBox* JpegLow;
    TVelLabeledEdit* SourcePath;
    TVelCheckListBox* Bands;
    TVelEdit* JobB01;
    int Clicks = 0;
};

class SelfPersistingControls : public testing::Test {
protected:
    static TStoredValue Stored(const QString& valueName) { return ReadStoredValue(ProgramName(), valueName); }
    static QString StoredText(const QString& valueName) {
        const TStoredValue value = Stored(valueName);
        EXPECT_EQ(value.Type, TStoredType::Text) << valueName.toStdString();
        return value.Text;
    }
    static qint32 StoredDword(const QString& valueName) {
        const TStoredValue value = Stored(valueName);
        EXPECT_EQ(value.Type, TStoredType::Dword) << valueName.toStdString();
        return value.Dword;
    }

    static QStringList CheckedBands(const TVelCheckListBox& list) {
        QStringList checked;
        for (int row = 0; row < list.count(); ++row) {
            if (list.item(row)->checkState() == Qt::Checked) checked << list.item(row)->text();
        }
        return checked;
    }

    static void LeaveFocus(QWidget& widget) {
        QFocusEvent focusOut(QEvent::FocusOut, Qt::TabFocusReason);
        QCoreApplication::sendEvent(&widget, &focusOut);
    }

    TTemporaryStore Store;
};

TEST_F(SelfPersistingControls, WithoutStoredValuesShowDesignValuesAndStoreThemAtDestruction) {
    {
        SetupWindow setup;
        EXPECT_EQ(setup.Satellite->ItemIndex(), 0);
        EXPECT_TRUE(setup.Jpeg->isChecked());
        EXPECT_FALSE(setup.JpegLow->isChecked());
        EXPECT_EQ(setup.SourcePath->text(), "");
        EXPECT_EQ(setup.JobB01->text(), "0");
        EXPECT_TRUE(CheckedBands(*setup.Bands).isEmpty());
        EXPECT_EQ(setup.Bands->CheckedList(), "");
        EXPECT_EQ(setup.Clicks, 0);
        // Nothing is written before destruction.
        EXPECT_EQ(Stored("SaveAsJPEG").Type, TStoredType::Missing);
    }
    EXPECT_EQ(StoredDword("Satellite"), 0);
    EXPECT_EQ(StoredDword("SaveAsJPEG"), 1);
    EXPECT_EQ(StoredDword("SaveAsJpegLow"), 0);
    EXPECT_EQ(StoredText("SourcePath"), "");
    EXPECT_EQ(StoredText("B01Quillmapjob"), "0");
    EXPECT_EQ(StoredText("BandsSelected"), "");
}

TEST_F(SelfPersistingControls, StoredValuesAreShownWithoutRunningClickHandlers) {
    ASSERT_TRUE(WriteStoredDword(ProgramName(), "SaveAsJPEG", 1));
    ASSERT_TRUE(WriteStoredDword(ProgramName(), "SaveAsJpegLow", 1));
    ASSERT_TRUE(WriteStoredDword(ProgramName(), "Satellite", 2));
    ASSERT_TRUE(WriteStoredText(ProgramName(), "SourcePath", "/data/received/"));
    ASSERT_TRUE(WriteStoredText(ProgramName(), "B01Quillmapjob", "17"));
    ASSERT_TRUE(WriteStoredText(ProgramName(), "BandsSelected", "B13"));

    SetupWindow setup;
    EXPECT_TRUE(setup.Jpeg->isChecked());
    EXPECT_TRUE(setup.JpegLow->isChecked());
    EXPECT_EQ(setup.Satellite->ItemIndex(), 2);
    EXPECT_EQ(setup.SourcePath->text(), "/data/received/");
    EXPECT_EQ(setup.JobB01->text(), "17");
    EXPECT_EQ(CheckedBands(*setup.Bands), QStringList{"B13"});
    EXPECT_EQ(setup.Clicks, 0);

    // A second restore keeps the setting it has and changes nothing.
    setup.Jpeg->setChecked(false);
    setup.Jpeg->Restore();
    EXPECT_FALSE(setup.Jpeg->isChecked());
}

TEST_F(SelfPersistingControls, UserClicksStillReachTheWindow) {
    SetupWindow setup;
    QSignalSpy picked(setup.Satellite, &TVelRadioGroup::Click);
    setup.Satellite->findChildren<QAbstractButton*>()[3]->click();
    EXPECT_EQ(picked.count(), 1);
    EXPECT_EQ(setup.Satellite->ItemIndex(), 3);

    QSignalSpy clicked(setup.JpegLow, &QCheckBox::clicked);
    setup.JpegLow->click();
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_TRUE(setup.JpegLow->isChecked());
}

TEST_F(SelfPersistingControls, RadioGroupAndCheckBoxStoreOnlyAtFlushOrDestruction) {
    {
        SetupWindow setup;
        setup.Satellite->SetItemIndex(3);
        setup.JpegLow->setChecked(true);
        EXPECT_EQ(Stored("Satellite").Type, TStoredType::Missing);
        EXPECT_EQ(Stored("SaveAsJpegLow").Type, TStoredType::Missing);

        setup.JpegLow->Flush();
        EXPECT_EQ(StoredDword("SaveAsJpegLow"), 1);
        setup.JpegLow->setChecked(false);
    }
    EXPECT_EQ(StoredDword("Satellite"), 3);
    EXPECT_EQ(StoredDword("SaveAsJpegLow"), 0);
}

TEST_F(SelfPersistingControls, RadioGroupTakesItsDesignItemForAStoredIndexOutsideItsItems) {
    for (const qint32 stored : {9, -1}) {
        ASSERT_TRUE(WriteStoredDword(ProgramName(), "Satellite", stored));
        SetupWindow setup;
        EXPECT_EQ(setup.Satellite->ItemIndex(), 0);
        EXPECT_EQ(SelfPersistingReadWarnings(setup.Window),
                  QStringList{
                      QString("Setting Satellite=%1 is outside 0 to 3: the default 0 is used").arg(stored)});
    }
    SetupWindow setup;
    setup.Satellite->SetItemIndex(-5);
    EXPECT_EQ(setup.Satellite->ItemIndex(), -1);
}

TEST_F(SelfPersistingControls, BandListKeepsItsTextUntilToggledOrLeft) {
    ASSERT_TRUE(WriteStoredText(ProgramName(), "BandsSelected", "b02,B13,X99"));
    {
        SetupWindow setup;
        EXPECT_EQ(CheckedBands(*setup.Bands), (QStringList{"B02", "B13"}));
        EXPECT_EQ(setup.Bands->CheckedList(), "b02,B13,X99");
    }
    EXPECT_EQ(StoredText("BandsSelected"), "b02,B13,X99");

    {
        SetupWindow setup;
        LeaveFocus(*setup.Bands);
        EXPECT_EQ(setup.Bands->CheckedList(), "B02,B13");
    }
    EXPECT_EQ(StoredText("BandsSelected"), "B02,B13");
}

TEST_F(SelfPersistingControls, BandListFollowsAToggleAfterTheWindowsHandler) {
    SetupWindow setup;
    setup.Bands->SetCheckedList("B13");
    QString valueSeenByHandler;
    QObject::connect(setup.Bands, &TVelCheckListBox::ClickCheck,
                     [&] { valueSeenByHandler = setup.Bands->CheckedList(); });

    setup.Bands->setCurrentRow(4);
    QTest::keyClick(setup.Bands, Qt::Key_Space);
    EXPECT_EQ(setup.Clicks, 1);
    EXPECT_EQ(valueSeenByHandler, "B13");
    EXPECT_EQ(setup.Bands->CheckedList(), "B05,B13");
}

TEST_F(SelfPersistingControls, BandListSplitsAtBlanksAndControlCharactersAndHonoursQuotes) {
    SetupWindow setup;
    setup.Bands->SetCheckedList(" \"b01\" B03\tb05,,\r\nB07 \"B09,B10\" \"B1\"1 B16");
    EXPECT_EQ(CheckedBands(*setup.Bands), (QStringList{"B01", "B03", "B05", "B07", "B16"}));
    EXPECT_EQ(setup.Clicks, 0);

    setup.Bands->SetCheckedList("");
    EXPECT_TRUE(CheckedBands(*setup.Bands).isEmpty());
    EXPECT_EQ(setup.Bands->CheckedList(), "");
}

TEST_F(SelfPersistingControls, EmptyNamedAsStoresUnderTheObjectName) {
    {
        QWidget window;
        auto* box = new TVelCheckBox("Save as PNG", &window);
        box->setObjectName("CheckBoxSaveAsPNG");
        RestoreSelfPersistingControls(window);
        EXPECT_EQ(box->NamedAs, "CheckBoxSaveAsPNG");
        box->setChecked(true);
    }
    EXPECT_EQ(StoredDword("CheckBoxSaveAsPNG"), 1);
}

TEST_F(SelfPersistingControls, EditedPathIsStoredAtDestructionWithoutLeavingTheEdit) {
    {
        SetupWindow setup;
        setup.SourcePath->setText("/data/new/");
        setup.JobB01->setText("42");
        EXPECT_EQ(Stored("SourcePath").Type, TStoredType::Missing);
        setup.SourcePath->Flush();
        EXPECT_EQ(StoredText("SourcePath"), "/data/new/");
        setup.SourcePath->setText("/data/newer/");
    }
    EXPECT_EQ(StoredText("SourcePath"), "/data/newer/");
    EXPECT_EQ(StoredText("B01Quillmapjob"), "42");
}

TEST_F(SelfPersistingControls, JobEditTakesDigitsOnlyAndLabelSitsAboveThePathEdit) {
    SetupWindow setup;
    setup.JobB01->clear();
    QTest::keyClicks(setup.JobB01, "4x2");
    EXPECT_EQ(setup.JobB01->text(), "42");

    setup.SourcePath->setGeometry(16, 24, 353, 21);
    setup.Window.show();
    QLabel* label = setup.SourcePath->EditLabel();
    EXPECT_EQ(label->text(), "Source path");
    EXPECT_EQ(label->x(), 16);
    EXPECT_LT(label->geometry().bottom(), 24);
}

} // namespace
