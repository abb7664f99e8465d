// The files the page and the status data list for each band: the newest image, and the GeoTIFF beside it.
#include "StationFacts.h"
#include "StationPage.h"
#include "StatusJson.h"
#include "TestFiles.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

constexpr int kB13 = 12, kB02 = 1;

// The page's text as a reader sees it, without its tags.
QString PageText(const StationFacts& facts) {
    return QString::fromUtf8(StationPage(facts)).remove(QRegularExpression("<[^>]*>"));
}

class StationFactsTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.isValid());
        auto snapshot = std::make_shared<StationSnapshot>();
        snapshot->bands[kB13].path = Place("202501212000-g16-b13.jpg", 3000);
        Place("202501212000-g16-b13.tif", 12000);
        snapshot->bands[kB02].path = Place("202501212000-g16-b02.png", 5000);
        facts_ = GatherFacts(std::move(snapshot), ProcessingOptions(), QDateTime::currentDateTimeUtc());
    }

    QString Place(const QString& name, int bytes) {
        const QString path = folder_.filePath(name);
        EXPECT_TRUE(WriteWholeFile(path, QByteArray(bytes, 'x')));
        return path;
    }

    QTemporaryDir folder_;
    StationFacts facts_;
};

} // namespace

TEST_F(StationFactsTest, TheGeoTiffBesideABandsImageIsListedWithIt) {
    ASSERT_TRUE(facts_.geoTiffs[kB13]);
    EXPECT_EQ(facts_.geoTiffs[kB13]->name, "202501212000-g16-b13.tif");
    EXPECT_EQ(facts_.geoTiffs[kB13]->bytes, 12000);
    EXPECT_FALSE(facts_.geoTiffs[kB02]);
    EXPECT_FALSE(facts_.geoTiffs[0]);

    const QString page = PageText(facts_);
    EXPECT_TRUE(page.contains("GeoTIFF 202501212000-g16-b13.tif, 12.0 kB")) << qPrintable(page);
    EXPECT_EQ(page.count("GeoTIFF "), 1);

    const QJsonArray bands = QJsonDocument::fromJson(StatusJson(facts_)).object()["bands"].toArray();
    ASSERT_EQ(bands.size(), 16);
    const QJsonObject geoTiff = bands[kB13].toObject()["geoTiff"].toObject();
    EXPECT_EQ(geoTiff["name"].toString(), "202501212000-g16-b13.tif");
    EXPECT_EQ(geoTiff["bytes"].toInteger(), 12000);
    EXPECT_TRUE(bands[kB02].toObject()["geoTiff"].isNull());
    EXPECT_EQ(bands[kB02].toObject()["image"].toObject()["name"].toString(), "202501212000-g16-b02.png");
}

// The scan start of a band's image comes from its name, as the short names write it; its time stays the
// nominal time, which the image file carries. A scan that starts at minute 8 of a 10-minute mode belongs to
// the next slot. Its age counts from the scan start.
TEST(StationFacts, AnImageGivesItsScanStartBesideItsNominalTime) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QDateTime nominal = QDateTime::fromString("2025-01-21T20:10:00Z", Qt::ISODate);
    struct Case {
        QString name;
        std::uint8_t scanMode; // of the received file, as this run knew it
        int cycleMinutes;
    };
    const std::vector<Case> cases = {
        {"202501212008-g16-b13.jpg", 3, 10},
        {"202501212008-g16-b13.png", 1, 15},
        {"202501212008-g16-b13.jpg", 0, 10},
        {"OR_ABI-L1b-RadF-M6C13_G16_s20250212008204_e20250212017512_c20250212017589.png", 0, 10},
        {"OR_ABI-L1b-RadF-M4C13_G16_s20250212008204_e20250212017512_c20250212017589.jpg", 0, 15},
    };
    for (const Case& test : cases) {
        const QString path = folder.filePath(test.name);
        ASSERT_TRUE(WriteWholeFile(path, "x"));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite) &&
                    file.setFileTime(nominal, QFileDevice::FileModificationTime));
        file.close();
        auto snapshot = std::make_shared<StationSnapshot>();
        snapshot->bands[kB13].path = path;
        snapshot->bands[kB13].scanMode = test.scanMode;
        const StationFacts facts =
            GatherFacts(std::move(snapshot), ProcessingOptions(), nominal.addSecs(720));
        EXPECT_EQ(facts.scans[kB13].cycleMinutes, test.cycleMinutes) << qPrintable(test.name);

        const QJsonObject image = QJsonDocument::fromJson(StatusJson(facts))
                                      .object()["bands"]
                                      .toArray()[kB13]
                                      .toObject()["image"]
                                      .toObject();
        EXPECT_EQ(image["scanStart"], "2025-01-21T20:08:00Z") << qPrintable(test.name);
        EXPECT_EQ(image["time"], "2025-01-21T20:10:00Z") << qPrintable(test.name);
        const QString page = PageText(facts);
        EXPECT_TRUE(page.contains("14 min ago2025-01-21 20:10:00 UTCscan start 2025-01-21 20:08full size"))
            << qPrintable(page);
    }
}

// The page leads with the verdict; the ticked bands come first, each without an image saying why, and the
// others are folded away.
TEST(StationFacts, ThePageShowsTheVerdictFirstAndTheTickedBandsBeforeTheOthers) {
    const QDateTime now = QDateTime::fromString("2025-01-21T20:40:00Z", Qt::ISODate);
    auto snapshot = std::make_shared<StationSnapshot>();
    snapshot->started = now;
    snapshot->staying.insert("/in/OR_ABI-L1b-RadF-M6C07_G16_s20250212030204_e1_c2.nc",
                             {"failed: not a netCDF file", now});
    StationFacts facts;
    facts.snapshot = snapshot;
    facts.now = now;
    for (const int band : {6, 7, 12}) facts.ticked[band] = true; // B07, B08, B13
    facts.health = JudgeHealth(facts);
    const QString page = QString::fromUtf8(StationPage(facts));

    const qsizetype verdict = page.indexOf("<div class=\"verdict failing\" id=health><b>Failing</b><ul>"
                                           "<li>Processing is stopped.</li>"
                                           "<li>1 file stays in the source folder.</li></ul></div>");
    ASSERT_GE(verdict, 0) << qPrintable(page);
    const qsizetype staying = page.indexOf("<section id=staying>"),
                    space = page.indexOf("<section id=space>");
    const qsizetype images = page.indexOf("<section id=images>"), log = page.indexOf("<section id=log>");
    EXPECT_LT(verdict, staying);
    EXPECT_LT(staying, images);
    EXPECT_LT(space, images);
    EXPECT_LT(images, log);

    const qsizetype folded = page.indexOf("<details><summary>Bands not ticked (13)</summary>");
    ASSERT_GT(folded, images);
    for (int band = 0; band < kBandCount; ++band) {
        const qsizetype at = page.indexOf(BandCode.at(band) + ":");
        EXPECT_EQ(at > folded, !facts.ticked[band]) << BandCode.at(band).toStdString();
    }
    const QString text = PageText(facts);
    EXPECT_TRUE(text.contains(BandLabelCaption(6) + "its file stays: failed: not a netCDF file"))
        << qPrintable(text);
    EXPECT_TRUE(text.contains(BandLabelCaption(7) + "no file yet"));
    EXPECT_EQ(page.count("<div class=why>"), 3) << "the three ticked bands, and no other, say why";
    EXPECT_EQ(page.count("<div class=\"blank missing\""), 3);
}

// No word is broken to fit a narrow screen: a long path or name makes its table scroll instead.
TEST(StationFacts, ThePageBreaksNoWord) {
    StationFacts facts;
    facts.snapshot = std::make_shared<StationSnapshot>();
    const QString page = QString::fromUtf8(StationPage(facts));
    EXPECT_FALSE(page.contains("overflow-wrap"));
    EXPECT_FALSE(page.contains("word-break"));
    EXPECT_TRUE(page.contains("<section id=space><h2>Free space</h2><div class=scroll><table>"));
}
