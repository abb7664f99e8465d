// A generated file, printed by ncdump, has the structure of the header of an operational file.
#include "AbiSample.h"
#include "CdlHeader.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString ReferenceHeader() {
    QFile file(QStringLiteral(REFERENCE_CDL));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << REFERENCE_CDL;
    return QString::fromUtf8(file.readAll());
}

QString NcdumpHeader(const QString& path) {
    QProcess ncdump;
    ncdump.start(QStringLiteral(NCDUMP_EXECUTABLE), {QStringLiteral("-h"), path});
    EXPECT_TRUE(ncdump.waitForFinished(30000));
    EXPECT_EQ(ncdump.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(ncdump.exitCode(), 0) << ncdump.readAllStandardError().toStdString();
    return QString::fromUtf8(ncdump.readAllStandardOutput());
}

} // namespace

TEST(AbiSampleCdlTest, NcdumpShowsTheDimensionsVariablesAndAttributesOfTheReference) {
    const CdlHeader reference = ParseCdlHeader(ReferenceHeader());
    ASSERT_EQ(reference.dimensions.size(), 6u);
    ASSERT_EQ(reference.variables.size(), 40u);

    QTemporaryDir folder;
    AbiSampleOptions options;
    options.size = 64;
    const CdlHeader written = ParseCdlHeader(NcdumpHeader(WriteAbiSample(options, folder.path())));

    EXPECT_EQ(written.dimensions, reference.dimensions);
    std::set<std::string> referenceNames, writtenNames;
    for (const auto& [name, variable] : reference.variables) referenceNames.insert(name);
    for (const auto& [name, variable] : written.variables) writtenNames.insert(name);
    EXPECT_EQ(writtenNames, referenceNames);
    for (const auto& [name, variable] : reference.variables) {
        const auto found = written.variables.find(name);
        if (found == written.variables.end()) continue;
        EXPECT_EQ(found->second.type, variable.type) << name;
        EXPECT_EQ(found->second.dimensions, variable.dimensions) << name;
        EXPECT_EQ(found->second.attributes, variable.attributes) << name;
    }
    EXPECT_EQ(written.globalAttributes, reference.globalAttributes);
}
