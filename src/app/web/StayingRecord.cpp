// The record of the staying files, as JSON: {"files": [{"path": …, "since": "2025-01-21T20:10:00Z"}, …]}.
#include "StayingRecord.h"

#include "DurableFiles.h"
#include "InstanceName.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

// A record this large is not the program's: a station has at most a few hundred staying files.
constexpr qint64 kLargestRecord = 16 * 1024 * 1024;

} // namespace

QString StayingRecordFileName(const QString& logFileName) {
    return QFileInfo(logFileName).dir().filePath(ProgramName() + "-staying.json");
}

StayingSince ReadStayingRecord(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kLargestRecord) return {};
    const QJsonArray files = QJsonDocument::fromJson(file.readAll()).object().value("files").toArray();
    StayingSince since;
    for (const QJsonValue& entry : files) {
        const QString path = entry.toObject().value("path").toString();
        const QDateTime time = QDateTime::fromString(entry.toObject().value("since").toString(), Qt::ISODate);
        if (!path.isEmpty() && time.isValid()) since.insert(path, time.toUTC());
    }
    return since;
}

Status WriteStayingRecord(const QString& fileName, const StayingSince& since) {
    QJsonArray files;
    for (auto file = since.cbegin(); file != since.cend(); ++file)
        files.append(QJsonObject{{"path", file.key()}, {"since", file->toUTC().toString(Qt::ISODate)}});
    const QByteArray text = QJsonDocument(QJsonObject{{"files", files}}).toJson();
    if (const Status created = CreateFolder(QFileInfo(fileName).absolutePath()); !created) return created;
    return PublishFile(fileName, [&](QIODevice& sink) -> Status {
        if (sink.write(text) != text.size()) return Failure{FailureCode::CannotWrite, sink.errorString()};
        return {};
    });
}
