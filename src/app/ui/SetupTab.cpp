// Building the Setup tab and reading its options.
#include "SetupTab.h"

#include "VelCheckBox.h"
#include "VelCheckListBox.h"
#include "VelEdit.h"
#include "VelLabeledEdit.h"
#include "VelRadioGroup.h"

#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace {

constexpr int kPathEditLeft = 16, kPathEditWidth = 353, kPathEditHeight = 21;
constexpr int kBrowseLeft = 375, kBrowseWidth = 66, kBrowseHeight = 25;
constexpr int kOptionLeft = 12, kOptionWidth = 125, kOptionHeight = 17;
constexpr std::array<int, 4> kJobLefts = {24, 72, 120, 168};
constexpr std::array<int, 4> kJobLabelTops = {24, 75, 126, 177};
constexpr std::array<int, 4> kJobEditTops = {43, 94, 145, 196};

} // namespace

SetupTab::SetupTab(QWidget* parent) : QWidget(parent) {
    setObjectName("TabSheetSetup");
    LabeledEditSourcePath =
        AddPathEdit("LabeledEditSourcePath", "SourcePath", "Source path", "E.g. received\\HVS-2\\E2H-TPG-1",
                    24, ButtonSourceSearch, "ButtonSourceSearch");
    LabeledEditNetCDFPath =
        AddPathEdit("LabeledEditNetCDFPath", "NetCDFPath", "Saved NetCDF files path",
                    "E.g. MSG\\Images\\FSD\\", 72, ButtonNetCDFsaveSearch, "ButtonNetCDFsaveSearch");
    LabeledEditSavePath = AddPathEdit("LabeledEditSavePath", "SavePath", "Saved image files path",
                                      "E.g. MSG\\Images\\FSD\\", 120, ButtonSaveSearch, "ButtonSaveSearch");

    RadioGroupSatellite =
        new TVelRadioGroup(" Satellite ", {"GOES-16", "GOES-17", "GOES-18", "GOES-19"}, this);
    RadioGroupSatellite->setObjectName("RadioGroupSatellite");
    RadioGroupSatellite->NamedAs = "Satellite";
    RadioGroupSatellite->setToolTip("A separate instance of the program is required for each satellite");
    RadioGroupSatellite->setGeometry(8, 180, 148, 100);
    RadioGroupSatellite->SetItemIndex(0);
    connect(RadioGroupSatellite, &TVelRadioGroup::Click, this, &SetupTab::OptionsChanged);

    auto* options = new QGroupBox(" Options ", this);
    options->setObjectName("GroupBoxOptions");
    options->setGeometry(8, 310, 148, 267);
    CheckBoxSaveAsNetCDF = AddOption(options, "CheckBoxSaveAsNetCDF", "SaveAsNetCDF", "Save as NetCDF",
                                     "Save the unprocessed source files", false, 20);
    CheckBoxSaveAsJPEG = AddOption(options, "CheckBoxSaveAsJPEG", "SaveAsJPEG", "Save as JPEG",
                                   "Save data as JPEG images", true, 43);
    CheckBoxSaveAsJpegLow =
        AddOption(options, "CheckBoxSaveAsJpegLow", "SaveAsJpegLow", "Save as JPEG Low)",
                  "Save data as JPEG images at\nlower quality to reduce file size", false, 66);
    connect(CheckBoxSaveAsJPEG, &QCheckBox::clicked, this, &SetupTab::CheckBoxSaveAsJPEGClick);
    connect(CheckBoxSaveAsJpegLow, &QCheckBox::clicked, this, &SetupTab::CheckBoxSaveAsJpegLowClick);
    CheckBoxSaveAsPNG = AddOption(options, "CheckBoxSaveAsPNG", "SaveAsPNG", "Save as PNG",
                                  "Save data as PNG images", false, 90);
    CheckBoxSaveAsGeoTIFF =
        AddOption(options, "CheckBoxSaveAsGeoTIFF", "SaveAsGeoTIFF", "Save as GeoTIFF",
                  "Save a georeferenced GeoTIFF beside each PNG or JPEG image,\nfor GIS tools and web maps",
                  false, 110);
    CheckBoxSave19as16 = AddOption(options, "CheckBoxSave19as16", "Save19as16", "Save G19 as G16",
                                   "Save GOES19 data with  GOES16 nams", true, 129);
    CheckBoxDatesInFolders =
        AddOption(options, "CheckBoxDatesInFolders", "DatesInFolders", "Dates in folders",
                  "Check to include \\YYYY\\MM\\DD\\ in folder names", true, 170);
    CheckBoxClearImages = AddOption(options, "CheckBoxClearImages", "ClearImages", "Clear images",
                                    "Clear images when new cycle started", false, 210);
    CheckBoxShortImageNames =
        AddOption(options, "CheckBoxShortImageNames", "ShortImageNames", "Short image names",
                  "Use short-format filenames for images", true, 233);
    FitOptions(options);
    AddBandList();
    AddQuillmapJobs();
}

// The design widths suit a small font; with the desktop's font a caption may need more, and the group may
// grow up to the band list beside it rather than cut a caption short.
void SetupTab::FitOptions(QWidget* group) {
    constexpr int kBandListLeft = 200, kGap = 6;
    int widest = kOptionWidth;
    for (const auto* box : group->findChildren<TVelCheckBox*>())
        widest = std::max(widest, box->sizeHint().width());
    widest = std::min(widest, kBandListLeft - kGap - group->x() - 2 * kOptionLeft);
    for (auto* box : group->findChildren<TVelCheckBox*>()) box->resize(widest, kOptionHeight);
    group->resize(std::max(group->width(), kOptionLeft + widest + kOptionLeft), group->height());
}

TVelLabeledEdit* SetupTab::AddPathEdit(const char* name, const char* valueName, const QString& caption,
                                       const QString& hint, int top, QPushButton*& browse,
                                       const char* browseName) {
    auto* edit = new TVelLabeledEdit(caption, this);
    edit->setObjectName(name);
    edit->NamedAs = valueName;
    edit->HoldsFolder = true;
    edit->setToolTip(hint);
    edit->setGeometry(kPathEditLeft, top, kPathEditWidth, kPathEditHeight);
    // A half-typed folder is never handed to processing: the window publishes a path once it is left.
    edit->installEventFilter(this);

    browse = new QPushButton("Browse ...", this);
    browse->setObjectName(browseName);
    browse->setGeometry(kBrowseLeft, top - 2, kBrowseWidth, kBrowseHeight);
    connect(browse, &QPushButton::clicked, this, [this, edit] { emit BrowseRequested(edit); });
    return edit;
}

TVelCheckBox* SetupTab::AddOption(QWidget* group, const char* name, const char* valueName,
                                  const QString& caption, const QString& hint, bool designValue, int top) {
    auto* box = new TVelCheckBox(caption, group);
    box->setObjectName(name);
    box->NamedAs = valueName;
    box->setToolTip(hint);
    box->setChecked(designValue);
    box->setGeometry(kOptionLeft, top, kOptionWidth, kOptionHeight);
    connect(box, &QCheckBox::toggled, this, &SetupTab::OptionsChanged);
    return box;
}

void SetupTab::AddBandList() {
    auto* label = new QLabel("Select bands", this);
    label->setObjectName("LabelSelectBands");
    label->move(208, 168);
    CheckListBoxBandsSelected = new TVelCheckListBox(this);
    CheckListBoxBandsSelected->setObjectName("CheckListBoxBandsSelected");
    CheckListBoxBandsSelected->NamedAs = "BandsSelected";
    CheckListBoxBandsSelected->AddItems(QStringList(BandCode.begin(), BandCode.end()));
    CheckListBoxBandsSelected->setGeometry(200, 187, 89, 277);
    connect(CheckListBoxBandsSelected, &QListWidget::itemChanged, this, &SetupTab::OptionsChanged);
}

void SetupTab::AddQuillmapJobs() {
    auto* group = new QGroupBox(" Select Quillmap job number ", this);
    group->setObjectName("GroupBoxQuillmapJob");
    group->setGeometry(320, 208, 225, 233);
    for (int band = 0; band < kBandCount; ++band) {
        const int column = band % 4, row = band / 4;
        auto* label = new QLabel(BandCode[band], group);
        label->setObjectName("Label" + BandCode[band] + "job");
        label->move(kJobLefts[column], kJobLabelTops[row]);
        auto* edit = new TVelEdit(group);
        edit->setObjectName("Edit" + BandCode[band] + "Quillmapjob");
        edit->NamedAs = BandCode[band] + "Quillmapjob";
        edit->SetNumbersOnly(true);
        edit->setText("0");
        edit->setGeometry(kJobLefts[column], kJobEditTops[row], 33, 21);
        EditQuillmapJob[band] = edit;
    }
}

void SetupTab::CheckBoxSaveAsJPEGClick(bool checked) {
    if (checked) CheckBoxSaveAsJpegLow->setChecked(false);
}

void SetupTab::CheckBoxSaveAsJpegLowClick(bool checked) {
    if (checked) CheckBoxSaveAsJPEG->setChecked(false);
}

bool SetupTab::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut)
        for (TVelLabeledEdit* edit : {LabeledEditSourcePath, LabeledEditNetCDFPath, LabeledEditSavePath})
            if (watched == edit) emit PathEditLeft(edit);
    return QWidget::eventFilter(watched, event);
}

QString SetupTab::QuillmapJobText(int band) const {
    return EditQuillmapJob.at(band)->text();
}

ProcessingOptions SetupTab::Options() const {
    ProcessingOptions options;
    options.sourcePath = LabeledEditSourcePath->text();
    options.netCdfPath = LabeledEditNetCDFPath->text();
    options.savePath = LabeledEditSavePath->text();
    options.satelliteItem = RadioGroupSatellite->ItemIndex();
    options.satelliteName = RadioGroupSatellite->Items().value(options.satelliteItem);
    for (int band = 0; band < kBandCount; ++band)
        options.bandsSelected[band] = CheckListBoxBandsSelected->item(band)->checkState() == Qt::Checked;
    options.saveAsNetCdf = CheckBoxSaveAsNetCDF->isChecked();
    options.saveAsJpeg = CheckBoxSaveAsJPEG->isChecked();
    options.saveAsJpegLow = CheckBoxSaveAsJpegLow->isChecked();
    options.saveAsPng = CheckBoxSaveAsPNG->isChecked();
    options.saveAsGeoTiff = CheckBoxSaveAsGeoTIFF->isChecked();
    options.save19As16 = CheckBoxSave19as16->isChecked();
    options.datesInFolders = CheckBoxDatesInFolders->isChecked();
    options.clearImages = CheckBoxClearImages->isChecked();
    options.shortImageNames = CheckBoxShortImageNames->isChecked();
    return options;
}
