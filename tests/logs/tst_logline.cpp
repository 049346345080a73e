#include "logs/LogLine.h"
#include "platform/TextFile.h"

#include <QTest>

#include <random>

using namespace Qt::StringLiterals;

namespace {

// The fields of every line with fields, each line as its fields joined by "|": through
// the normalised text, cut into lines and split, as the processors once did it ...
QStringList LinesThroughNormalisedText(const QString &text)
{
    QStringList lines;
    const QString normalised = kiv::logs::NormaliseLogText(text);
    kiv::logs::LogFields fields;
    kiv::logs::ForEachLine(normalised, [&](QStringView line) {
        if (kiv::logs::SplitAnsiLine(line, fields) == 0)
            return;
        QStringList texts;
        for (const QStringView field : fields)
            texts.append(field.toString());
        lines.append(texts.join(u'|'));
    });
    return lines;
}

// ... and in one pass.
QStringList LinesInOnePass(const QString &text)
{
    QStringList lines;
    kiv::logs::ForEachLogLine(text, [&](const kiv::logs::LogFields &fields) {
        QStringList texts;
        for (const QStringView field : fields)
            texts.append(field.toString());
        lines.append(texts.join(u'|'));
    });
    return lines;
}

} // namespace

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
    void linesInOnePass_data();
    void linesInOnePass();
    void linesInOnePassOnRandomText();
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

void TestLogLine::linesInOnePass_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("record") << u"12:00:00\t<Public>\tTaro(1)\r\nhi\r\n\r\n"_s
                            << QStringList{u"12:00:00|<Public>|Taro(1)|hi"_s};
    QTest::newRow("joined text ending in a paren")
        << u"h(1)\r\nsee (2)\r\nnext\r\n"_s << QStringList{u"h(1)|see (2)|next"_s};
    QTest::newRow("join just before an empty line") << u"a)\r\n\r\nb"_s << QStringList{u"a)"_s, u"b"_s};
    QTest::newRow("join at the very end") << u"a)\r\n"_s << QStringList{u"a)"_s};
    QTest::newRow("paren before a lone CR or LF does not join")
        << u"a)\rb)\nc"_s << QStringList{u"a)"_s, u"b)"_s, u"c"_s};
    QTest::newRow("TAB after a join is an empty field") << u"a)\r\n\tb\r\n"_s << QStringList{u"a)||b"_s};
    QTest::newRow("CR then TAB") << u"a\r\tb\r\n"_s << QStringList{u"a"_s, u"|b"_s};
    QTest::newRow("only TABs") << u"\t\t\r\n"_s << QStringList{u"|"_s};
    QTest::newRow("many empty lines") << u"\r\n\r\n\r\n\n\r\r\nx"_s << QStringList{u"x"_s};
    QTest::newRow("NUL ends the text") << (u"a\tb\r\nc"_s + QChar(0) + u"d\r\ne\r\n"_s)
                                       << QStringList{u"a|b"_s, u"c"_s};
    QTest::newRow("NUL right after a join") << (u"a)\r\n"_s + QChar(0) + u"b"_s) << QStringList{u"a)"_s};
    QTest::newRow("outside the code page in a joined line")
        << u"\u00e9(1)\r\n\U0001F600 x\t\U0001F600\r\nnext"_s << QStringList{u"?(1)|? x|?"_s, u"next"_s};
    QTest::newRow("surrogate halves on their own") << (QString(QChar(0xD800)) + u"\t"_s + QChar(0xDC00) + u"a"_s)
                                                   << QStringList{u"?|?a"_s};
    QTest::newRow("line separator stays inside a line") << u"x\u2028y\r\n"_s << QStringList{u"x?y"_s};
    QTest::newRow("long plain line") << QString(1000, u'表') + u"\tz"_s
                                     << QStringList{QString(1000, u'表') + u"|z"_s};
}

void TestLogLine::linesInOnePass()
{
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    QCOMPARE(LinesInOnePass(text), lines);
    QCOMPARE(LinesThroughNormalisedText(text), lines);
}

void TestLogLine::linesInOnePassOnRandomText()
{
    // Texts made of the characters that matter, at random: both ways agree on each. Some
    // are long enough to be looked at 64 units at a time, with and without characters
    // outside the code page.
    const QChar alphabet[] = {u')', u'\r', u'\n', u'\t', u'a', u' ', u'表', u'(', u'a', u'a',
                              QChar(0), QChar(0xD83D), QChar(0xDE00), u'\u00e9'};
    std::mt19937 random(20261207);
    for (int round = 0; round < 20000; ++round) {
        QString text;
        const int length = int(random() % (round % 2 ? 24 : 200));
        // Some texts without NUL and characters outside the code page, some without those
        // outside, some with all.
        const size_t letters = round % 3 == 0 ? 10 : round % 3 == 1 ? 11 : std::size(alphabet);
        for (int i = 0; i < length; ++i)
            text += alphabet[random() % letters];
        const QStringList expected = LinesThroughNormalisedText(text);
        const QStringList lines = LinesInOnePass(text);
        if (lines != expected) {
            QString shown;
            for (const QChar c : text)
                shown += QString::number(c.unicode(), 16) + u' ';
            QFAIL(qPrintable(shown));
        }
    }
}

QTEST_GUILESS_MAIN(TestLogLine)
#include "tst_logline.moc"
