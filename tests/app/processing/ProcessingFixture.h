// Temporary source, archive and image folders with generated ABI files, and options that process them at
// once.
#pragma once

#include "AbiSample.h"
#include "LogLine.h"
#include "ProcessingOptions.h"
#include "ScanWorker.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

class ProcessingFixture : public testing::Test {
protected:
    QTemporaryDir root;
    QString source, netCdf, images;
    ProcessingOptions options;

    void SetUp() override {
        ASSERT_TRUE(root.isValid());
        source = root.filePath("received") + "/";
        netCdf = root.filePath("archive") + "/";
        images = root.filePath("images") + "/";
        // A station's folders exist; a missing one is said at Start.
        for (const QString& folder : {source, netCdf, images}) QDir().mkpath(folder);
        options.sourcePath = source;
        options.netCdfPath = netCdf;
        options.savePath = images;
        options.bandsSelected.fill(true);
        options.waits = ProcessingWaits::None();
        options.reader.program = READER_PROGRAM;
    }

    // A small full-disk file of the received kind.
    QString Receive(int band = 13, int satellite = 16, const QDateTime& start = DefaultStart(),
                    int mode = 6) {
        AbiSampleOptions sample;
        sample.band = band;
        sample.satellite = satellite;
        sample.start = start;
        sample.scanMode = mode;
        sample.size = 96;
        return WriteAbiSample(sample, source);
    }

    // Runs one whole scan of the source folder with the options and gives the arguments of every `signal`
    // the worker sent.
    template <typename Signal> QList<QList<QVariant>> ScanAndCollect(Signal signal) {
        SharedOptions shared;
        shared.Publish(options);
        const std::atomic_bool running{true};
        ScanWorker worker(shared, running);
        QSignalSpy sent(&worker, signal);
        worker.RunScan();
        return sent;
    }

    // The texts of the log lines that a FoldersReported signal carried.
    static QStringList LineTexts(const QVariant& reported) {
        QStringList texts;
        for (const LogLine& line : reported.value<QList<LogLine>>()) texts << line.text;
        return texts;
    }

    static QDateTime DefaultStart() { return QDateTime(QDate(2024, 1, 2), QTime(12, 30, 20), Qt::UTC); }
};
