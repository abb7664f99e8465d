// The Setup tab: folders, satellite, output options, band list and Quillmap job numbers, each control keeping
// its own value in the program's settings.
#pragma once

#include "BandTables.h"
#include "ProcessingOptions.h"

#include <QWidget>
#include <array>

class QPushButton;
class TVelCheckBox;
class TVelCheckListBox;
class TVelEdit;
class TVelLabeledEdit;
class TVelRadioGroup;

class SetupTab : public QWidget {
    Q_OBJECT
public:
    static constexpr char kDefaultBandList[] = "B02,B03,B05,B13";

    explicit SetupTab(QWidget* parent = nullptr);

    // The options that processing reads, as the controls show them now.
    ProcessingOptions Options() const;
    // The job number text of a band's Quillmap edit.
    QString QuillmapJobText(int band) const;

    TVelLabeledEdit* LabeledEditSourcePath;
    TVelLabeledEdit* LabeledEditNetCDFPath;
    TVelLabeledEdit* LabeledEditSavePath;
    QPushButton* ButtonSourceSearch;
    QPushButton* ButtonNetCDFsaveSearch;
    QPushButton* ButtonSaveSearch;
    TVelRadioGroup* RadioGroupSatellite;
    TVelCheckBox* CheckBoxSaveAsNetCDF;
    TVelCheckBox* CheckBoxSaveAsJPEG;
    TVelCheckBox* CheckBoxSaveAsJpegLow;
    TVelCheckBox* CheckBoxSaveAsPNG;
    TVelCheckBox* CheckBoxSaveAsGeoTIFF;
    TVelCheckBox* CheckBoxSave19as16;
    TVelCheckBox* CheckBoxDatesInFolders;
    TVelCheckBox* CheckBoxClearImages;
    TVelCheckBox* CheckBoxShortImageNames;
    TVelCheckListBox* CheckListBoxBandsSelected;
    std::array<TVelEdit*, kBandCount> EditQuillmapJob{};

signals:
    // An option other than a folder changed, by the user or by the program.
    void OptionsChanged();
    // A path edit was left; the window normalises and stores it.
    void PathEditLeft(TVelLabeledEdit* edit);
    // A "Browse ..." button was pressed for the edit beside it.
    void BrowseRequested(TVelLabeledEdit* edit);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TVelLabeledEdit* AddPathEdit(const char* name, const char* valueName, const QString& caption,
                                 const QString& hint, int top, QPushButton*& browse, const char* browseName);
    TVelCheckBox* AddOption(QWidget* group, const char* name, const char* valueName, const QString& caption,
                            const QString& hint, bool designValue, int top);
    void FitOptions(QWidget* group);
    void AddBandList();
    void AddQuillmapJobs();
    // The two JPEG options exclude each other, though both may be off.
    void CheckBoxSaveAsJPEGClick(bool checked);
    void CheckBoxSaveAsJpegLowClick(bool checked);
};
