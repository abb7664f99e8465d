// A key's settings file as lines, and the change of one value's line.
#include "KeyFileText.h"

#include "IniEscaping.h"

#include <algorithm>

namespace {

const QByteArray kByteOrderMark("\xEF\xBB\xBF");

struct TLine {
    qsizetype Start; // the first character that is not a space
    qsizetype End;   // before "\n" or "\r\n"
    qsizetype Next;  // after the line end
};

TLine LineAt(QByteArrayView text, qsizetype start) {
    const qsizetype newline = text.indexOf('\n', start);
    const qsizetype next = newline < 0 ? text.size() : newline + 1;
    qsizetype end = newline < 0 ? text.size() : newline;
    if (end > start && text[end - 1] == '\r') --end;
    while (start < end && (text[start] == ' ' || text[start] == '\t')) ++start;
    return {start, end, next};
}

bool IsText(QByteArrayView line) {
    const bool control = std::any_of(line.begin(), line.end(),
                                     [](char ch) { return static_cast<uchar>(ch) < 0x20 && ch != '\t'; });
    return !control && line.isValidUtf8();
}

bool IsComment(QByteArrayView content) {
    return content.startsWith(';') || content.startsWith('#');
}

QByteArrayView TrimmedEnd(QByteArrayView text) {
    while (!text.isEmpty() && (text.back() == ' ' || text.back() == '\t')) text.chop(1);
    return text;
}

// The name of a NAME=VALUE line, or nothing for another kind of line.
std::optional<QString> SettingName(QByteArrayView content) {
    const qsizetype equals = content.indexOf('=');
    if (equals < 0) return std::nullopt;
    return UnescapedIniKey(TrimmedEnd(content.first(equals)));
}

Failure Damaged(qsizetype lineNumber, const char* what) {
    return {FailureCode::SettingsDamaged, QStringLiteral("line %1 %2").arg(lineNumber).arg(what)};
}

} // namespace

Result<TKeyFileText> TKeyFileText::Parse(QByteArray text) {
    TKeyFileText file(std::move(text));
    const QByteArrayView bytes(file.Bytes);
    bool own = true; // before any header, values are the key's own
    qsizetype lineNumber = 0;
    for (qsizetype start = bytes.startsWith(kByteOrderMark) ? kByteOrderMark.size() : 0;
         start < bytes.size();) {
        const TLine line = LineAt(bytes, start);
        start = line.Next;
        ++lineNumber;
        const QByteArrayView content = bytes.sliced(line.Start, line.End - line.Start);
        if (!IsText(content)) return Damaged(lineNumber, "is not UTF-8 text");
        if (content.isEmpty() || IsComment(content)) continue;
        if (content.startsWith('[')) {
            const qsizetype close = content.indexOf(']');
            if (close < 0) return Damaged(lineNumber, "is neither a setting, a [section] nor a comment");
            own = QString::fromUtf8(content.sliced(1, close - 1))
                      .trimmed()
                      .compare(u"general", Qt::CaseInsensitive) == 0;
            if (own) file.InsertAt = line.Next;
            continue;
        }
        const std::optional<QString> name = SettingName(content);
        if (!name) return Damaged(lineNumber, "is neither a setting, a [section] nor a comment");
        if (!own) continue;
        file.OwnLines.push_back({*name, line.Start, line.Start + content.indexOf('=') + 1, line.End});
        file.InsertAt = line.Next;
    }
    return file;
}

std::optional<QString> TKeyFileText::FirstTooLongSetting(QByteArrayView text) {
    for (qsizetype start = 0; start < text.size();) {
        const TLine line = LineAt(text, start);
        start = line.Next;
        const QByteArrayView content = text.sliced(line.Start, line.End - line.Start);
        if (content.size() <= kLongestSettingLine || IsComment(content)) continue;
        if (std::optional<QString> name = SettingName(content.first(kLongestSettingLine))) return name;
    }
    return std::nullopt;
}

const TKeyFileText::TOwnLine* TKeyFileText::FindLine(const QString& name) const {
    const auto last = std::find_if(OwnLines.rbegin(), OwnLines.rend(),
                                   [&](const TOwnLine& line) { return line.Name == name; });
    return last == OwnLines.rend() ? nullptr : &*last;
}

std::optional<TKeyFileText::TEntry> TKeyFileText::Find(const QString& name) const {
    const TOwnLine* line = FindLine(name);
    if (!line) return std::nullopt;
    return TEntry{QByteArrayView(Bytes).sliced(line->ValueStart, line->End - line->ValueStart),
                  line->End - line->Start > kLongestSettingLine};
}

QStringList TKeyFileText::TooLongNames() const {
    QStringList names;
    for (const TOwnLine& line : OwnLines)
        if (line.End - line.Start > kLongestSettingLine) names << line.Name;
    return names;
}

QByteArray TKeyFileText::WithValue(const QString& name, const QByteArray& escapedValue) const {
    const QByteArray setting = EscapedIniKey(name) + '=' + escapedValue;
    QByteArray text = Bytes;
    if (const TOwnLine* line = FindLine(name))
        return text.replace(line->Start, line->End - line->Start, setting);
    if (!InsertAt) {
        if (!text.isEmpty() && !text.endsWith('\n')) text += '\n';
        return text + "[General]\n" + setting + '\n';
    }
    const QByteArrayView before = QByteArrayView(text).first(*InsertAt);
    const QByteArray lineEnd = before.endsWith("\r\n") ? "\r\n" : "\n";
    // The last line may lack its line end.
    const QByteArray added =
        (before.isEmpty() || before.endsWith('\n') ? QByteArray() : lineEnd) + setting + lineEnd;
    return text.insert(*InsertAt, added);
}
