#include "platform/IClock.h"
#include "platform/ReadOnlyFile.h"
#include "platform/TextFile.h"

#include "support/TestFiles.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace kiv;
using kiv::text::Encoding;
using namespace Qt::Literals::StringLiterals;

Q_DECLARE_METATYPE(kiv::text::Encoding)

namespace {

QByteArray Utf16Be(const QString &text)
{
    QByteArray bytes("\xFE\xFF", 2);
    for (const QChar c : text) {
        bytes.append(char(c.unicode() >> 8));
        bytes.append(char(c.unicode() & 0xFF));
    }
    return bytes;
}

} // namespace

class TestTextFile : public QObject
{
    Q_OBJECT
private slots:
    void decode_data();
    void decode();
    void decodeUserFile_data();
    void decodeUserFile();
    void splitLines_data();
    void splitLines();
    void joinedLinesSplitBack_data();
    void joinedLinesSplitBack();
    void readWholeFile();
    void readAtPlaces_data();
    void readAtPlaces();
    void stampsAndFailures();
    void systemClockIsLocalTime();
};

void TestTextFile::decode_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text"); // null: not compared
    QTest::addColumn<Encoding>("encoding");
    QTest::addColumn<bool>("damaged");

    const QString sample = QStringLiteral("表示①～\r\nｱ");
    QTest::newRow("utf-16 le") << testfiles::Utf16Le(sample) << sample << Encoding::Utf16LE << false;
    QTest::newRow("utf-16 be") << Utf16Be(sample) << sample << Encoding::Utf16BE << false;
    QTest::newRow("utf-8 with mark") << QByteArray("\xEF\xBB\xBF") + sample.toUtf8() << sample << Encoding::Utf8
                                     << false;
    QTest::newRow("code page 932") << testfiles::Cp932(sample) << sample << Encoding::Ansi << false;
    QTest::newRow("utf-16 mark only") << QByteArray("\xFF\xFE", 2) << u""_s << Encoding::Utf16LE << false;
    QTest::newRow("empty") << QByteArray() << u""_s << Encoding::Ansi << false;
    QTest::newRow("one byte") << QByteArray("a") << QStringLiteral("a") << Encoding::Ansi << false;
    QTest::newRow("odd last byte of utf-16 le") << QByteArray("\xFF\xFE" "a\0b", 5) << QStringLiteral("a")
                                                << Encoding::Utf16LE << false;
    QTest::newRow("odd last byte of utf-16 be") << QByteArray("\xFE\xFF\0a\0", 5) << QStringLiteral("a")
                                                << Encoding::Utf16BE << false;
    QTest::newRow("half a utf-8 mark is code page text") << QByteArray("\xEF\xBB") << QStringLiteral("\uFFFD")
                                                         << Encoding::Ansi << false;
    QTest::newRow("NUL ends the text") << QByteArray("ab\0cd", 5) << QStringLiteral("ab") << Encoding::Ansi << true;
    QTest::newRow("NUL padding at the end") << QByteArray("ab\0\0", 4) << QStringLiteral("ab") << Encoding::Ansi
                                            << false;
    QTest::newRow("NUL in utf-16") << QByteArray("\xFF\xFE" "a\0\0\0b\0", 8) << QStringLiteral("a")
                                   << Encoding::Utf16LE << true;
    QTest::newRow("invalid utf-8") << QByteArray("\xEF\xBB\xBF" "a\xC3(b") << QStringLiteral("a\uFFFD(b")
                                   << Encoding::Utf8 << true;
    QTest::newRow("utf-8 cut inside a character") << QByteArray("\xEF\xBB\xBF" "a\xE8\xA1") << QString()
                                                  << Encoding::Utf8 << true;
}

void TestTextFile::decode()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(Encoding, encoding);
    QFETCH(bool, damaged);
    const text::DecodedText decoded = text::Decode(bytes);
    if (!text.isNull())
        QCOMPARE(decoded.text, text);
    QCOMPARE(decoded.encoding, encoding);
    QCOMPARE(decoded.damaged, damaged);
}

void TestTextFile::decodeUserFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<Encoding>("encoding");
    QTest::addColumn<bool>("damaged");

    const QString roster = u"12345678=\tボブ\t表示①\r\n87654321=\tﾃｽ\r\n"_s;
    QTest::newRow("Japanese in utf-8") << roster.toUtf8() << roster << Encoding::Utf8 << false;
    QTest::newRow("Japanese in code page 932") << testfiles::Cp932(roster) << roster << Encoding::Ansi << false;
    // Valid utf-8 as well ("ý", "ýı"), but no Latin word around them.
    const QString kana = u"ﾃｽ=\t0\r\n12345678=\tﾃｽﾄｱ\r\n"_s;
    QTest::newRow("half-width katakana in code page 932") << testfiles::Cp932(kana) << kana << Encoding::Ansi
                                                          << false;
    QTest::newRow("half-width katakana in utf-8") << kana.toUtf8() << kana << Encoding::Utf8 << false;
    const QString latin = u"logdir=/home/josé/Łódź/KIV/LOG/\r\n"_s;
    QTest::newRow("accented letters in utf-8") << latin.toUtf8() << latin << Encoding::Utf8 << false;
    // Its bytes read as "Josﾃｩ" in code page 932 too.
    QTest::newRow("accented letter inside a word") << u"José=\t0"_s.toUtf8() << u"José=\t0"_s << Encoding::Utf8 << false;
    QTest::newRow("user-defined area and NEC row 13") << QByteArray("\xF0\x40\x87\x40") << u"\uE000①"_s
                                                      << Encoding::Ansi << false;
    QTest::newRow("lead byte before a line end") << QByteArray("a=\t\x82\r\n") << QString() << Encoding::Ansi
                                                 << true;
    QTest::newRow("bytes 0xFF and 0xA0") << QByteArray("a=\t\xFF\xA0\r\n") << QString() << Encoding::Ansi << true;
    QTest::newRow("pair without a character") << QByteArray("\x81\xC3") << QString() << Encoding::Ansi << true;
}

void TestTextFile::decodeUserFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(Encoding, encoding);
    QFETCH(bool, damaged);
    const text::DecodedText decoded = text::DecodeUserFile(bytes);
    if (!text.isNull())
        QCOMPARE(decoded.text, text);
    QCOMPARE(decoded.encoding, encoding);
    QCOMPARE(decoded.damaged, damaged);
}

void TestTextFile::splitLines_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("crlf") << QStringLiteral("a\r\nb\r\n") << QStringList{u"a"_s, u"b"_s};
    QTest::newRow("every kind of end") << QStringLiteral("a\rb\nc\r\nd\u2028e")
                                       << QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s};
    QTest::newRow("last line without an end") << QStringLiteral("a\r\nb") << QStringList{u"a"_s, u"b"_s};
    QTest::newRow("empty text") << QString() << QStringList{};
    QTest::newRow("one line end") << QStringLiteral("\r\n") << QStringList{u""_s};
    QTest::newRow("empty line in the middle") << QStringLiteral("a\n\nb") << QStringList{u"a"_s, u""_s, u"b"_s};
    QTest::newRow("CR CR LF is two ends") << QStringLiteral("a\r\r\nb") << QStringList{u"a"_s, u""_s, u"b"_s};
    QTest::newRow("LF CR is two ends") << QStringLiteral("a\n\rb") << QStringList{u"a"_s, u""_s, u"b"_s};
    QTest::newRow("TAB and paragraph separator stay") << QStringLiteral("a\tb\u2029c") << QStringList{u"a\tb\u2029c"_s};
}

void TestTextFile::splitLines()
{
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    QCOMPARE(text::SplitLines(text), lines);
}

void TestTextFile::joinedLinesSplitBack_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("joined");

    QTest::newRow("none") << QStringList{} << QString();
    QTest::newRow("two") << QStringList{u"a"_s, u"b"_s} << QStringLiteral("a\r\nb\r\n");
    QTest::newRow("empty last line") << QStringList{u"a"_s, u""_s} << QStringLiteral("a\r\n\r\n");
    QTest::newRow("only an empty line") << QStringList{u""_s} << QStringLiteral("\r\n");
}

void TestTextFile::joinedLinesSplitBack()
{
    QFETCH(QStringList, lines);
    QFETCH(QString, joined);
    QCOMPARE(text::JoinLines(lines), joined);
    QCOMPARE(text::SplitLines(joined), lines);
}

void TestTextFile::readWholeFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("file.txt"));
    const QByteArray bytes("\x95\x5C\0\xFF", 4);
    testfiles::Write(path, bytes);
    text::ReadResult read = text::ReadWholeFile(path);
    QVERIFY(read.ok);
    QCOMPARE(read.bytes, bytes);

    read = text::ReadWholeFile(dir.filePath(QStringLiteral("missing.txt")));
    QVERIFY(!read.ok);
    QVERIFY(!read.error.isEmpty());

    read = text::ReadWholeFile(dir.path());
    QVERIFY(!read.ok);
    QVERIFY(read.bytes.isEmpty());

    // A pipe under a list's name: refused at once, where opening it would wait for a writer.
    const QString pipe = dir.filePath(QStringLiteral("Whois.lst"));
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    read = text::ReadWholeFile(pipe);
    QVERIFY(!read.ok);
    QVERIFY(!read.error.isEmpty());
}

void TestTextFile::readAtPlaces_data()
{
    QTest::addColumn<qint64>("offset");
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("whole") << qint64(0) << qint64(10) << QByteArray("0123456789");
    QTest::newRow("middle") << qint64(3) << qint64(4) << QByteArray("3456");
    QTest::newRow("over the end") << qint64(8) << qint64(100) << QByteArray("89");
    QTest::newRow("at the end") << qint64(10) << qint64(5) << QByteArray();
    QTest::newRow("past the end") << qint64(50) << qint64(5) << QByteArray();
}

void TestTextFile::readAtPlaces()
{
    QFETCH(qint64, offset);
    QFETCH(qint64, bytes);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("file.txt"));
    testfiles::Write(path, "0123456789");
    files::ReadOnlyFile file;
    QVERIFY(file.Open(path));
    QTEST(file.ReadAt(offset, bytes), "expected");
    QVERIFY(!file.Failed());
}

void TestTextFile::stampsAndFailures()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("file.txt"));
    testfiles::Write(path, "abc");
    const files::Stamp stamp = files::StampOf(path);
    QVERIFY(stamp.exists);
    QCOMPARE(stamp.size, 3);
    QCOMPARE(stamp.modified / 1000000, QFileInfo(path).lastModified().toMSecsSinceEpoch());
    testfiles::Append(path, "d");
    QCOMPARE(files::StampOf(path).size, 4);
    QVERIFY(!files::StampOf(dir.filePath(QStringLiteral("missing.txt"))).exists);
    QVERIFY(!files::StampOf(QString()).exists);

    files::ReadOnlyFile file;
    QVERIFY(!file.Open(dir.filePath(QStringLiteral("missing.txt"))));
    QVERIFY(!file.Error().isEmpty());
    QCOMPARE(file.ReadAt(0, 4), QByteArray());
    QVERIFY(file.Failed());
    // A folder opens, but gives no bytes: the failure says why.
    QVERIFY(file.Open(dir.path()));
    QVERIFY(!file.Failed());
    QCOMPARE(file.ReadAt(0, 4), QByteArray());
    QVERIFY(file.Failed());
    // A pipe in a file's place neither blocks the opening nor gives bytes.
    const QByteArray pipe = QFile::encodeName(dir.filePath(QStringLiteral("pipe")));
    QCOMPARE(::mkfifo(pipe.constData(), 0600), 0);
    QVERIFY(file.Open(QFile::decodeName(pipe)));
    QCOMPARE(file.ReadAt(0, 4), QByteArray());
    QVERIFY(file.Failed());
}

void TestTextFile::systemClockIsLocalTime()
{
    const SystemClock clock;
    for (int i = 0; i < 3; ++i) { // looked up, then kept
        const QDateTime before = QDateTime::currentDateTime();
        const QDateTime now = clock.Now();
        const QDateTime after = QDateTime::currentDateTime();
        QVERIFY(before <= now && now <= after);
        QCOMPARE(now.offsetFromUtc(), after.offsetFromUtc());
        QVERIFY(now.date() == before.date() || now.date() == after.date());
    }
}

QTEST_GUILESS_MAIN(TestTextFile)
#include "tst_textfile.moc"
