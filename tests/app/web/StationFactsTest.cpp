// The files the page and the status data list for each band: the newest image, and the GeoTIFF beside it.
#include "StationFacts.h"
#include "StationPage.h"
#include "StatusJson.h"
#include "TestFiles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

constexpr int kB13 = 12, kB02 = 1;

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

    const QString page = QString::fromUtf8(StationPage(facts_));
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
