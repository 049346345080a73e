#include "platform/Cp932.h"

#include <QTest>

#include <random>

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
    void decodedStraightToAnsiForm();
    void mixedTextAtEveryAlignment();
    void inCodePageAgreesWithEncode();
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

void TestCp932::decodedStraightToAnsiForm()
{
    // Every byte, and every byte followed by every byte: the one-pass form is the code
    // page form of the decoded text. Also appended, after what is there.
    for (int first = 0; first < 256; ++first) {
        QVERIFY(cp932::DecodeToAnsiForm(Bytes({first})) == cp932::ToAnsiForm(cp932::Decode(Bytes({first}))));
        for (int second = 0; second < 256; ++second) {
            const QByteArray bytes = Bytes({first, second});
            const QString expected = cp932::ToAnsiForm(cp932::Decode(bytes));
            QString appended = QStringLiteral("前");
            cp932::DecodeAppendAnsiForm(bytes, appended);
            if (cp932::DecodeToAnsiForm(bytes) != expected || appended != QStringLiteral("前") + expected)
                QFAIL(qPrintable(QStringLiteral("%1 %2").arg(first, 2, 16).arg(second, 2, 16)));
        }
    }
}

void TestCp932::mixedTextAtEveryAlignment()
{
    // ASCII runs are decoded several bytes at a time. Pieces whose decoding does not
    // depend on their neighbours, strung together at random, must decode to their
    // decodings strung together, wherever the runs start and end.
    struct Piece
    {
        QByteArray bytes;
        QString text;
    };
    const Piece pieces[] = {
        {"a", QStringLiteral("a")},
        {"\t", QStringLiteral("\t")},
        {"\r\n", QStringLiteral("\r\n")},
        {"12:00:00", QStringLiteral("12:00:00")},
        {Bytes({0x95, 0x5C}), QStringLiteral("表")},
        {Bytes({0x82, 0xA0}), QStringLiteral("あ")},
        {Bytes({0x87, 0x40}), QStringLiteral("①")},
        {Bytes({0xB1}), QStringLiteral("ｱ")},
        {Bytes({0x80}), QStringLiteral("\u0080")},
        {Bytes({0xFD}), QStringLiteral("\uF8F1")},
        {Bytes({0x85, 0x40}), QString(QChar(cp932::kReplacement))}, // a pair without a character
        {Bytes({0x81, '\t'}), QString(QChar(cp932::kReplacement)) + u'\t'}, // a lead byte alone
    };
    std::mt19937 random(932);
    for (int round = 0; round < 3000; ++round) {
        QByteArray bytes;
        QString text;
        const int count = int(random() % 24);
        for (int i = 0; i < count; ++i) {
            const Piece &piece = pieces[random() % std::size(pieces)];
            bytes += piece.bytes;
            text += piece.text;
        }
        if (random() % 4 == 0) { // a lead byte cut off at the very end
            bytes += char(0x95);
            text += QChar(cp932::kReplacement);
        }
        QCOMPARE(cp932::Decode(bytes), text);
        QCOMPARE(cp932::DecodeToAnsiForm(bytes), QString(text).replace(QChar(cp932::kReplacement), u'?'));
    }
}

void TestCp932::inCodePageAgreesWithEncode()
{
    for (int u = 0; u < 0x10000; ++u) {
        const QString ch{QChar(char16_t(u))};
        const bool held = u < 0x80 || cp932::Encode(ch) != "?";
        if (cp932::InCodePage(char16_t(u)) != held)
            QFAIL(qPrintable(QString::number(u, 16)));
        QCOMPARE(cp932::FirstOutsideCodePage(QString(QStringLiteral("ab") + ch)), held ? -1 : 2);
    }
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
