// QSettings' INI text form of keys and values, both ways.
#include "IniEscaping.h"

#include <QStringDecoder>
#include <optional>
#include <utility>

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

bool IsAsciiLetterOrDigit(char16_t ch) {
    return (ch >= u'a' && ch <= u'z') || (ch >= u'A' && ch <= u'Z') || (ch >= u'0' && ch <= u'9');
}

int HexValue(char ch) {
    if (ch >= '0' && ch <= '9') return ch - '0';
    if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
    return -1;
}

int OctalValue(char ch) {
    return ch >= '0' && ch <= '7' ? ch - '0' : -1;
}

// The escapes by name, as QSettings writes and reads them: the character after the backslash, and what it
// stands for.
constexpr std::pair<char, char16_t> kNamedEscapes[] = {{'a', u'\a'}, {'b', u'\b'}, {'f', u'\f'},
                                                       {'n', u'\n'}, {'r', u'\r'}, {'t', u'\t'},
                                                       {'v', u'\v'}, {'"', u'"'},  {'\\', u'\\'}};

// What a backslash and this character stand for when read; 0 for no such escape. Reading also takes \? and
// \' for themselves.
char16_t EscapedCharacter(char code) {
    if (code == '?' || code == '\'') return static_cast<char16_t>(code);
    for (const auto& [name, meaning] : kNamedEscapes)
        if (name == code) return meaning;
    return 0;
}

// The value up to its comment: an unquoted ";" that no backslash keeps.
QByteArrayView UpToComment(QByteArrayView value) {
    bool quoted = false;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == '\\')
            ++i;
        else if (value[i] == '"')
            quoted = !quoted;
        else if (value[i] == ';' && !quoted)
            return value.first(i);
    }
    return value;
}

// Reads a value's texts: spaces around an unquoted text dropped, quotes joining, an unquoted comma
// separating, backslash escapes as in C (\xHH... and \OOO take every digit that follows).
class ValueReader {
public:
    explicit ValueReader(QByteArrayView value) : In(value) {}

    TIniValue::Kind Read() {
        SkipSpaces();
        while (Pos < In.size()) {
            const char ch = In[Pos];
            if (ch == '\\') {
                ReadEscape();
            } else if (ch == '"') {
                ++Pos;
                Quoted = true;
                InQuotes = !InQuotes;
                if (!InQuotes) SkipSpaces();
            } else if (ch == ',' && !InQuotes) {
                ++Pos;
                EndText();
                IsList = true;
                SkipSpaces();
            } else {
                ReadRun();
            }
        }
        if (!IsList) {
            if (!Quoted) ChopTrailingSpaces();
            return TIniValue::Kind::Text;
        }
        EndText();
        return TIniValue::Kind::TextList;
    }

    QStringList Texts() const { return IsList ? List : QStringList{Current}; }

private:
    void SkipSpaces() {
        while (Pos < In.size() && (In[Pos] == ' ' || In[Pos] == '\t')) ++Pos;
        KeepUpTo = Current.size();
    }

    // Plain characters up to the next one with a meaning; a comma inside quotes is plain.
    void ReadRun() {
        qsizetype end = Pos + 1;
        while (end < In.size() && In[end] != '\\' && In[end] != '"' && In[end] != ',') ++end;
        Current += Decoder(In.sliced(Pos, end - Pos));
        Pos = end;
    }

    void ReadEscape() {
        ++Pos;
        if (Pos >= In.size()) {
            EndedInEscape = true;
            return;
        }
        const char ch = In[Pos++];
        if (const char16_t meaning = EscapedCharacter(ch)) {
            Current += QChar(meaning);
            KeepUpTo = Current.size();
            return;
        }
        if (ch == 'x' && Pos >= In.size()) {
            EndedInEscape = true;
            return;
        }
        if (ch == 'x' && HexValue(In[Pos]) >= 0) {
            ReadNumber(4, HexValue);
        } else if (OctalValue(ch) >= 0) {
            --Pos;
            ReadNumber(3, OctalValue);
        }
        // Any other escaped character is dropped with its backslash.
        KeepUpTo = Current.size();
    }

    // Every digit that follows, however many, wrapping at 16 bits.
    void ReadNumber(int bitsPerDigit, int (*digit)(char)) {
        char16_t number = 0;
        while (Pos < In.size() && digit(In[Pos]) >= 0)
            number = static_cast<char16_t>((number << bitsPerDigit) + digit(In[Pos++]));
        Current += QChar(number);
    }

    void ChopTrailingSpaces() {
        if (EndedInEscape) return;
        while (Current.size() > KeepUpTo && (Current.back() == u' ' || Current.back() == u'\t'))
            Current.chop(1);
    }

    void EndText() {
        if (!Quoted) ChopTrailingSpaces();
        List.append(Current);
        Current.clear();
        Quoted = false;
    }

    QByteArrayView In;
    // One decoder for the whole value, as QSettings has it: a byte order mark is dropped at its start only.
    QStringDecoder Decoder{QStringDecoder::Utf8};
    qsizetype Pos = 0;
    QString Current;
    QStringList List;
    bool IsList = false;
    bool InQuotes = false;
    bool Quoted = false;
    // A backslash, or "\\x", that ends the value keeps the spaces before it.
    bool EndedInEscape = false;
    // Trailing spaces are chopped only beyond this: an escaped space stays.
    qsizetype KeepUpTo = 0;
};

// The number of space-separated arguments between "(" at `open` and the closing ")".
qsizetype ArgumentCount(const QString& text, qsizetype open) {
    return QStringView(text).sliced(open + 1).chopped(1).count(u' ') + 1;
}

// One text as QSettings turns it into a value: "@" marks a typed form, "@@" a text beginning with "@".
TIniValue TypedValue(const QString& text) {
    if (text.startsWith(u'@') && text.endsWith(u')')) {
        if (text.startsWith(QLatin1String("@String(")))
            return {TIniValue::Kind::Text, {text.sliced(8).chopped(1)}};
        if (text == QLatin1String("@Invalid()")) return {TIniValue::Kind::Invalid, {}};
        const bool typed = text.startsWith(QLatin1String("@ByteArray(")) ||
                           text.startsWith(QLatin1String("@Variant(")) ||
                           text.startsWith(QLatin1String("@DateTime(")) ||
                           (text.startsWith(QLatin1String("@Rect(")) && ArgumentCount(text, 5) == 4) ||
                           (text.startsWith(QLatin1String("@Size(")) && ArgumentCount(text, 5) == 2) ||
                           (text.startsWith(QLatin1String("@Point(")) && ArgumentCount(text, 6) == 2);
        if (typed) return {TIniValue::Kind::OtherType, {}};
    }
    if (text.startsWith(QLatin1String("@@"))) return {TIniValue::Kind::Text, {text.sliced(1)}};
    return {TIniValue::Kind::Text, {text}};
}

// A list keeps its texts unless one of them is a typed form.
TIniValue TypedList(QStringList texts) {
    for (QString& text : texts) {
        if (!text.startsWith(u'@')) continue;
        if (!text.startsWith(QLatin1String("@@"))) return {TIniValue::Kind::OtherType, {}};
        text.remove(0, 1);
    }
    return {TIniValue::Kind::TextList, texts};
}

bool IsHexDigit(char16_t ch) {
    return ch < 0x80 && HexValue(static_cast<char>(ch)) >= 0;
}

// The escape QSettings writes for this character by name, or nothing.
std::optional<QByteArray> NamedEscape(char16_t ch) {
    for (const auto& [name, meaning] : kNamedEscapes)
        if (meaning == ch) return QByteArray("\\") + name;
    return std::nullopt;
}

QByteArray HexEscape(char16_t ch) {
    return "\\x" + QByteArray::number(ch, 16);
}

} // namespace

QByteArray EscapedIniKey(QStringView key) {
    QByteArray escaped;
    for (const QChar qch : key) {
        const char16_t ch = qch.unicode();
        if (ch == u'/') {
            escaped += '\\';
        } else if (IsAsciiLetterOrDigit(ch) || ch == u'_' || ch == u'-' || ch == u'.') {
            escaped += static_cast<char>(ch);
        } else if (ch <= 0xFF) {
            escaped += '%';
            escaped += kHexDigits[ch / 16];
            escaped += kHexDigits[ch % 16];
        } else {
            escaped += "%U";
            for (int shift = 12; shift >= 0; shift -= 4) escaped += kHexDigits[(ch >> shift) & 0xF];
        }
    }
    return escaped;
}

QString UnescapedIniKey(QByteArrayView key) {
    const QString decoded = QString::fromUtf8(key);
    QString result;
    for (qsizetype i = 0; i < decoded.size();) {
        const QChar ch = decoded[i++];
        if (ch == u'\\') {
            result += u'/';
            continue;
        }
        // %XX or %UXXXX; a "%" that begins neither stands for itself.
        const bool wide = ch == u'%' && i < decoded.size() && decoded[i] == u'U';
        const qsizetype firstDigit = wide ? i + 1 : i;
        const qsizetype digits = wide ? 4 : 2;
        bool ok = false;
        const ushort code = ch == u'%' && firstDigit + digits <= decoded.size()
                                ? QStringView(decoded).sliced(firstDigit, digits).toUShort(&ok, 16)
                                : 0;
        if (!ok) {
            result += ch;
            continue;
        }
        result += QChar(code);
        i = firstDigit + digits;
    }
    return result;
}

QByteArray EscapedIniText(const QString& text) {
    QString marked = text;
    if (text.contains(QChar(u'\0')))
        marked = "@String(" + text + ")";
    else if (text.startsWith(u'@'))
        marked.prepend(u'@');

    QByteArray escaped;
    QString plain; // characters written as UTF-8, gathered so that a surrogate pair stays whole
    const auto escape = [&](const QByteArray& escapeText) {
        escaped += plain.toUtf8() + escapeText;
        plain.clear();
    };
    bool needsQuotes = false;
    // After a numeric escape a hex digit is escaped too, so that it cannot read as part of the number.
    bool escapeHexDigit = false;
    for (const QChar qch : marked) {
        const char16_t ch = qch.unicode();
        if (ch == u';' || ch == u',' || ch == u'=') needsQuotes = true;
        if (escapeHexDigit && IsHexDigit(ch)) {
            escape(HexEscape(ch));
            continue;
        }
        escapeHexDigit = false;
        if (const std::optional<QByteArray> named = NamedEscape(ch)) {
            escape(*named);
        } else if (ch <= 0x1F) {
            escape(ch == u'\0' ? QByteArray("\\0") : HexEscape(ch));
            escapeHexDigit = true;
        } else {
            plain += qch;
        }
    }
    escaped += plain.toUtf8();
    if (needsQuotes || escaped.startsWith(' ') || escaped.endsWith(' ')) return '"' + escaped + '"';
    return escaped;
}

TIniValue UnescapedIniValue(QByteArrayView value) {
    ValueReader reader(UpToComment(value));
    if (reader.Read() == TIniValue::Kind::TextList) return TypedList(reader.Texts());
    return TypedValue(reader.Texts().constFirst());
}
