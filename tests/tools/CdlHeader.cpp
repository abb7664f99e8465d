// Line-by-line reading of CDL header text.
#include "CdlHeader.h"

#include <QRegularExpression>
#include <QStringList>

namespace {

// The kind of an attribute from the spelling of its first value: "text", 12b, 4095s, -1, 0.5f, 35786023.
std::string ValueKind(const QString& value) {
    if (value.startsWith(QLatin1Char('"'))) return "text";
    static const QRegularExpression number(QStringLiteral("^(-?[0-9.eE+-]+?)(b|s|f|L)?$"));
    const QRegularExpressionMatch match = number.match(value.section(QLatin1Char(','), 0, 0).trimmed());
    if (!match.hasMatch()) return "unknown: " + value.toStdString();
    const QString suffix = match.captured(2);
    if (suffix == QLatin1String("b")) return "byte";
    if (suffix == QLatin1String("s")) return "short";
    if (suffix == QLatin1String("f")) return "float";
    if (suffix == QLatin1String("L")) return "int64";
    return match.captured(1).contains(QRegularExpression(QStringLiteral("[.eE]"))) ? "double" : "int";
}

} // namespace

CdlHeader ParseCdlHeader(const QString& text) {
    static const QRegularExpression dimension(QStringLiteral("^\\t(\\w+) = .* ;$"));
    static const QRegularExpression variable(QStringLiteral("^\\t(\\w+) (\\w+)(?:\\((.*)\\))? ;$"));
    static const QRegularExpression attribute(QStringLiteral("^\\t\\t(\\w*):(\\w+) = (.*)$"));
    enum class Section { None, Dimensions, Variables } section = Section::None;
    CdlHeader header;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("dimensions:")))
            section = Section::Dimensions;
        else if (line.startsWith(QLatin1String("variables:")))
            section = Section::Variables;
        if (section == Section::Dimensions) {
            const QRegularExpressionMatch match = dimension.match(line);
            if (match.hasMatch()) header.dimensions.insert(match.captured(1).toStdString());
            continue;
        }
        if (section != Section::Variables) continue;
        if (const QRegularExpressionMatch match = variable.match(line); match.hasMatch()) {
            CdlVariable& entry = header.variables[match.captured(2).toStdString()];
            entry.type = match.captured(1).toStdString();
            entry.dimensions = match.captured(3).toStdString();
        } else if (const QRegularExpressionMatch match = attribute.match(line); match.hasMatch()) {
            const std::string owner = match.captured(1).toStdString();
            auto& attributes = owner.empty() ? header.globalAttributes : header.variables[owner].attributes;
            QString value = match.captured(3);
            value.chop(value.endsWith(QLatin1String(" ;")) ? 2 : 0);
            attributes[match.captured(2).toStdString()] = ValueKind(value);
        }
    }
    return header;
}
