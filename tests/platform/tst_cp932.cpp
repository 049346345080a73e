#include "platform/Cp932.h"

#include <QTest>

using namespace kiv;

namespace {

QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

} // namespace

class TestCp932 : public QObject
{
    Q_OBJECT
private slots:
    void decode_data();
    void decode();
    void decodeAppendKeepsWhatWasThere();
    void encode_data();
    void encode();
    void everyDoubleByteCharacterSurvivesTheRoundTrip();
    void ansiForm_data();
    void ansiForm();
    void displayColumns_data();
    void displayColumns();
};

void TestCp932::decode_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("ascii") << QByteArray("abc\tdef\r\n") << QStringLiteral("abc\tdef\r\n");
    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("wave dash is the full-width tilde") << Bytes({0x81, 0x60}) << QStringLiteral("\uFF5E");
    QTest::newRow("backslash as trail byte") << Bytes({0x95, 0x5C, 0x8E, 0xA6}) << QStringLiteral("表示");
    QTest::newRow("so with 5C trail") << Bytes({0x83, 0x5C, 0x5C}) << QStringLiteral("ソ\\");
    QTest::newRow("NEC circled one") << Bytes({0x87, 0x40}) << QStringLiteral("①");
    QTest::newRow("NEC roman one") << Bytes({0x87, 0x54}) << QStringLiteral("Ⅰ");
    QTest::newRow("NEC kabushiki") << Bytes({0x87, 0x8A}) << QStringLiteral("㈱");
    QTest::newRow("IBM extension kanji") << Bytes({0xFA, 0x5C}) << QStringLiteral("纊");
    QTest::newRow("IBM extension last") << Bytes({0xFC, 0x4B}) << QStringLiteral("黑");
    QTest::newRow("NEC-selected IBM kanji") << Bytes({0xED, 0x40}) << QStringLiteral("纊");
    QTest::newRow("IBM small roman one") << Bytes({0xFA, 0x40}) << QStringLiteral("ⅰ");
    QTest::newRow("half-width katakana") << Bytes({0xB1, 0xDF}) << QStringLiteral("ｱﾟ");
    QTest::newRow("user-defined area") << Bytes({0xF0, 0x40, 0xF9, 0xFC}) << QStringLiteral("\uE000\uE757");
    QTest::newRow("single bytes of the platform table")
        << Bytes({0x80, 0xA0, 0xFD, 0xFE, 0xFF}) << QStringLiteral("\u0080\uF8F0\uF8F1\uF8F2\uF8F3");
    QTest::newRow("lead byte before LF") << Bytes({'a', 0x81, '\n', 'b'}) << QStringLiteral("a\uFFFD\nb");
    QTest::newRow("lead byte before CR LF") << Bytes({0x81, '\r', '\n'}) << QStringLiteral("\uFFFD\r\n");
    QTest::newRow("lead byte before TAB") << Bytes({0x95, '\t', 'x'}) << QStringLiteral("\uFFFD\tx");
    QTest::newRow("lead byte before DEL") << Bytes({0x81, 0x7F}) << QStringLiteral("\uFFFD\u007F");
    QTest::newRow("lead byte before 0xFD") << Bytes({0x81, 0xFD}) << QStringLiteral("\uFFFD\uF8F1");
    QTest::newRow("lead byte at the end") << Bytes({'a', 0x95}) << QStringLiteral("a\uFFFD");
    QTest::newRow("well-formed but unassigned pair") << Bytes({0x85, 0x40, 'z'}) << QStringLiteral("\uFFFDz");
    QTest::newRow("half a record after a whole one")
        << Bytes({0x95, 0x5C, '\r', '\n', 0x95}) << QStringLiteral("表\r\n\uFFFD");
}

void TestCp932::decode()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(cp932::Decode(bytes), text);
}

void TestCp932::decodeAppendKeepsWhatWasThere()
{
    QString out = QStringLiteral("前");
    cp932::DecodeAppend(Bytes({0x95, 0x5C}), out);
    cp932::DecodeAppend(Bytes({'!', 0x87, 0x40}), out);
    QCOMPARE(out, QStringLiteral("前表!①"));
}

void TestCp932::encode_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("ascii") << QStringLiteral("a=\tb\r\n") << QByteArray("a=\tb\r\n");
    QTest::newRow("full-width tilde") << QStringLiteral("\uFF5E") << Bytes({0x81, 0x60});
    QTest::newRow("backslash trail") << QStringLiteral("表\\") << Bytes({0x95, 0x5C, 0x5C});
    QTest::newRow("circled one") << QStringLiteral("①") << Bytes({0x87, 0x40});
    QTest::newRow("half-width katakana") << QStringLiteral("ｱ") << Bytes({0xB1});
    // Characters with more than one code: the platform's choice.
    QTest::newRow("roman one: NEC row 13 before IBM") << QStringLiteral("Ⅰ") << Bytes({0x87, 0x54});
    QTest::newRow("small roman one: IBM before NEC-selected") << QStringLiteral("ⅰ") << Bytes({0xFA, 0x40});
    QTest::newRow("kanji: IBM before NEC-selected") << QStringLiteral("纊") << Bytes({0xFA, 0x5C});
    QTest::newRow("not sign: JIS row first") << QStringLiteral("\uFFE2") << Bytes({0x81, 0xCA});
    QTest::newRow("because: JIS row first") << QStringLiteral("∵") << Bytes({0x81, 0xE6});
    QTest::newRow("nearly equal: JIS row first") << QStringLiteral("≒") << Bytes({0x81, 0xE0});
    QTest::newRow("broken bar: IBM") << QStringLiteral("\uFFE4") << Bytes({0xFA, 0x55});
    QTest::newRow("user-defined") << QStringLiteral("\uE000") << Bytes({0xF0, 0x40});
    QTest::newRow("hangul is not in the code page") << QStringLiteral("a한b") << QByteArray("a?b");
    QTest::newRow("a surrogate pair is one character") << QStringLiteral("x😀y") << QByteArray("x?y");
    QTest::newRow("lone surrogate") << QString(QChar(0xD800)) << QByteArray("?");
    QTest::newRow("replacement character") << QStringLiteral("\uFFFD") << QByteArray("?");
}

void TestCp932::encode()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(cp932::Encode(text), bytes);
}

void TestCp932::everyDoubleByteCharacterSurvivesTheRoundTrip()
{
    // Each assigned pair decodes to one character, and that character encodes to a pair
    // that decodes back to it (the duplicates of NEC and IBM choose one pair).
    int assigned = 0;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (lead >= 0xA0 && lead <= 0xDF)
            continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F)
                continue;
            const QString ch = cp932::Decode(Bytes({lead, trail}));
            QCOMPARE(ch.size(), 1);
            if (ch[0] == cp932::kReplacement)
                continue;
            ++assigned;
            const QByteArray back = cp932::Encode(ch);
            QVERIFY2(back.size() == 2, qPrintable(QString::number(lead * 256 + trail, 16)));
            QCOMPARE(cp932::Decode(back), ch);
            QVERIFY(cp932::IsDoubleByte(ch[0].unicode()));
        }
    }
    // JIS X 0208, NEC row 13, both IBM blocks and the user-defined area.
    QCOMPARE(assigned, 9604);
}

void TestCp932::ansiForm_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("ansi");

    QTest::newRow("ascii stays") << QStringLiteral("@calc 1+2") << QStringLiteral("@calc 1+2");
    QTest::newRow("code page text stays") << QStringLiteral("①～表ｱ") << QStringLiteral("①～表ｱ");
    QTest::newRow("outside becomes ?") << QStringLiteral("é😀한") << QStringLiteral("???");
}

void TestCp932::ansiForm()
{
    QFETCH(QString, text);
    QFETCH(QString, ansi);
    QCOMPARE(cp932::ToAnsiForm(text), ansi);
}

void TestCp932::displayColumns_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("columns");

    QTest::newRow("ascii") << QStringLiteral("abc") << 3;
    QTest::newRow("half-width katakana is narrow") << QStringLiteral("ｱｲ") << 2;
    QTest::newRow("full-width is wide") << QStringLiteral("アＡ表①") << 8;
    QTest::newRow("outside the code page is one ?") << QStringLiteral("😀한") << 2;
}

void TestCp932::displayColumns()
{
    QFETCH(QString, text);
    QFETCH(int, columns);
    QCOMPARE(cp932::DisplayColumns(text), columns);
}

QTEST_GUILESS_MAIN(TestCp932)
#include "tst_cp932.moc"
