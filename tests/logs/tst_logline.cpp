#include "logs/LogLine.h"
#include "platform/TextFile.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestLogLine : public QObject
{
    Q_OBJECT
private slots:
    void splitLogLine_data();
    void splitLogLine();
    void splitCodePageBytes_data();
    void splitCodePageBytes();
    void splitMegabyteLine();
    void normalise_data();
    void normalise();
};

void TestLogLine::splitLogLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("fields");

    QTest::newRow("empty field kept between others") << u"a\tb\t\tc"_s << QStringList{u"a"_s, u"b"_s, u""_s, u"c"_s};
    QTest::newRow("TAB at the end adds no field") << u"a\tb\t"_s << QStringList{u"a"_s, u"b"_s};
    QTest::newRow("empty line has no field") << QString() << QStringList{};
    QTest::newRow("one TAB is one empty field") << u"\t"_s << QStringList{u""_s};
    QTest::newRow("only TABs") << u"\t\t\t"_s << QStringList{u""_s, u""_s, u""_s};
    QTest::newRow("line ends cut like TABs") << u"a\nb\r\nc\rd"_s << QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s};
    // The TAB turns into a line feed before the line is cut, and CR LF is one line end.
    QTest::newRow("CR then TAB is one end") << u"a\r\tb"_s << QStringList{u"a"_s, u"b"_s};
    QTest::newRow("TAB then CR are two ends") << u"a\t\rb"_s << QStringList{u"a"_s, u""_s, u"b"_s};
    QTest::newRow("NUL ends the line") << (u"a\tb"_s + QChar(0) + u"\tc"_s) << QStringList{u"a"_s, u"b"_s};
    QTest::newRow("outside the code page") << u"\U0001F600x\tb"_s << QStringList{u"?x"_s, u"b"_s};
    // U+2028 cuts a file, but it cannot pass the code page, so it never cuts a field.
    QTest::newRow("line separator is no end") << u"x\u2028y"_s << QStringList{u"x?y"_s};
    QTest::newRow("full-width blank is text") << u"\u3000a\u3000\tb"_s << QStringList{u"\u3000a\u3000"_s, u"b"_s};
    QTest::newRow("fields are not trimmed") << u" a \t b"_s << QStringList{u" a "_s, u" b"_s};
}

void TestLogLine::splitLogLine()
{
    QFETCH(QString, line);
    QFETCH(QStringList, fields);
    QStringList out{u"left over"_s};
    QCOMPARE(SplitLogLine(line, out), fields.size());
    QCOMPARE(out, fields);
}

void TestLogLine::splitCodePageBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("fields");

    // 95 5C is "表": its second byte is a backslash.
    QTest::newRow("second byte 5C") << QByteArray("\x95\x5c\t\x8e\xa6") << QStringList{u"表"_s, u"示"_s};
    QTest::newRow("lead byte before a TAB") << QByteArray("\x95\tb") << QStringList{u"?"_s, u"b"_s};
    QTest::newRow("half-width katakana") << QByteArray("\xb1\xb2\t\xb3") << QStringList{u"ｱｲ"_s, u"ｳ"_s};
    QTest::newRow("NEC special character") << QByteArray("\x87\x40\tx") << QStringList{u"①"_s, u"x"_s};
}

void TestLogLine::splitCodePageBytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, fields);
    const QString line = kiv::text::Decode(bytes).text;
    QStringList out;
    QCOMPARE(SplitLogLine(line, out), fields.size());
    QCOMPARE(out, fields);
}

void TestLogLine::splitMegabyteLine()
{
    const QString first(1'000'000, u'x');
    const QString second(300'000, u'表');
    QStringList out;
    QCOMPARE(SplitLogLine(QString(first + u'\t' + second + u'\t'), out), 2);
    QCOMPARE(out.at(0), first);
    QCOMPARE(out.at(1), second);
}

void TestLogLine::normalise_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("normalised");

    QTest::newRow("header joined to its text") << u"h(1)\r\nhi\r\n\r\n"_s << u"h(1)\thi\r\n"_s;
    QTest::newRow("each closing paren joins") << u"a)\r\nb)\r\nc\r\n"_s << u"a)\tb)\tc\r\n"_s;
    // The empty line after a ")" loses its first line end to the join.
    QTest::newRow("paren before empty line") << u"a)\r\n\r\nb"_s << u"a)\t\r\nb"_s;
    QTest::newRow("three line ends keep two") << u"a\r\n\r\n\r\nb"_s << u"a\r\n\r\nb"_s;
    QTest::newRow("four line ends keep two") << u"a\r\n\r\n\r\n\r\nb"_s << u"a\r\n\r\nb"_s;
    QTest::newRow("five line ends keep three") << u"a\r\n\r\n\r\n\r\n\r\nb"_s << u"a\r\n\r\n\r\nb"_s;
    QTest::newRow("lone line feeds stay") << u"a)\nb\n\nc"_s << u"a)\nb\n\nc"_s;
    QTest::newRow("NUL ends the text") << (u"a\r\n"_s + QChar(0) + u"b)\r\n"_s) << u"a\r\n"_s;
    QTest::newRow("code page form") << u"\U0001F600)\r\n\u00e9"_s << u"?)\t?"_s;
}

void TestLogLine::normalise()
{
    QFETCH(QString, text);
    QFETCH(QString, normalised);
    QCOMPARE(kiv::logs::NormaliseLogText(text), normalised);
}

QTEST_GUILESS_MAIN(TestLogLine)
#include "tst_logline.moc"
