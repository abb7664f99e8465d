// The last check before a field goes out: a name or value that could end its field or the head is left out.
#include "AnswerHead.h"

#include <gtest/gtest.h>

TEST(AnswerHead, AFieldThatCouldEndTheHeadIsLeftOut) {
    const QList<HeadField> unsound{
        {"Content-Disposition", "inline; filename=\"a\r\nSet-Cookie: pwned=1\""},
        {"X-Line", "a\nb"},
        {"X-Return", "a\rb"},
        {"X-Nul", QByteArray("a\0b", 3)},
        {"X-Escape", "a\x1b[2Jb"},
        {"X-Latin", "caf\xc3\xa9"},
        {"Set-Cookie: pwned", "1"},
        {"X Spaced", "1"},
        {"", "1"},
    };
    const HeadField length{"Content-Length", "0"};
    const QByteArray without = AnswerHead(kOk, {length});
    EXPECT_TRUE(without.startsWith("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n"));
    EXPECT_TRUE(without.endsWith("\r\n\r\n"));
    for (const HeadField& field : unsound)
        EXPECT_EQ(AnswerHead(kOk, {field, length}), without) << field.name.constData();
    EXPECT_TRUE(AnswerHead(kOk, {{"X-Plain", "a \"b\"; c=~"}}).contains("\r\nX-Plain: a \"b\"; c=~\r\n"));
}
