#include "platform/ProfileFile.h"

#include "support/TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

// A settings file as the platform writes it: code page 932, CR LF.
const QString kSample = u"; written by hand\r\n"
                        u"[system]\r\n"
                        u"logdir=C:\\Game\\LOG\\\r\n"
                        u"KivID=12345678\r\n"
                        u"\r\n"
                        u"[Rnk]\r\n"
                        u"Rnk1=同伴あり\r\n"
                        u"Rnk2=表示\r\n"
                        u"[ FrmKivMain ]\r\n"
                        u"Left  =10\r\n"
                        u" Top = 20 \r\n"
                        u"[window]\r\n"
                        u"style=1\r\n"
                        u"style=2\r\n"
                        u"quoted=\"a b \"\r\n"
                        u"empty=\r\n"
                        u"[other]\r\n"
                        u"style=9\r\n"_s;

} // namespace

class TestProfileFile : public QObject
{
    Q_OBJECT
private slots:
    void init();

    void read_data();
    void read();
    void readInt_data();
    void readInt();
    void missingFileReadsAsDefaults();
    void write_data();
    void write();
    void valuesAreWrittenInCodePage932();
    void utf16FileStaysUtf16();
    void encodingThatHoldsTheValues_data();
    void encodingThatHoldsTheValues();
    void loadForgetsTheEncodingOfTheFileBefore();
    void saveFailureNamesTheFile();
    void unreadableFileIsNeverWritten();

private:
    QString Path() const { return m_dir->filePath(u"kivreader.ini"_s); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestProfileFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestProfileFile::read_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value"); // null: not found

    QTest::newRow("as written") << u"system"_s << u"KivID"_s << u"12345678"_s;
    QTest::newRow("section and key case ignored") << u"SYSTEM"_s << u"kivid"_s << u"12345678"_s;
    QTest::newRow("backslashes kept") << u"system"_s << u"logdir"_s << u"C:\\Game\\LOG\\"_s;
    QTest::newRow("code page value") << u"Rnk"_s << u"Rnk1"_s << u"同伴あり"_s;
    QTest::newRow("backslash trail byte in a value") << u"rnk"_s << u"RNK2"_s << u"表示"_s;
    QTest::newRow("padded key name") << u"FrmKivMain"_s << u"Left  "_s << u"10"_s;
    QTest::newRow("blanks around key and value") << u"FrmKivMain"_s << u"Top   "_s << u"20"_s;
    QTest::newRow("blanks around the section name") << u" frmkivmain"_s << u"Left"_s << u"10"_s;
    QTest::newRow("first of two keys") << u"window"_s << u"style"_s << u"1"_s;
    QTest::newRow("quotes removed") << u"window"_s << u"quoted"_s << u"a b "_s;
    QTest::newRow("empty value is present") << u"window"_s << u"empty"_s << u""_s;
    QTest::newRow("key of another section") << u"Rnk"_s << u"style"_s << QString();
    QTest::newRow("missing section") << u"sound"_s << u"beep0"_s << QString();
    QTest::newRow("comment is no key") << u"system"_s << u"; written by hand"_s << QString();
}

void TestProfileFile::read()
{
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    testfiles::Write(Path(), testfiles::Cp932(kSample));
    ProfileFile ini(Path());
    QVERIFY(ini.Load());
    QVERIFY(ini.Exists());
    QCOMPARE(ini.HasKey(section, key), !value.isNull());
    const QString fallback = u"<default>"_s;
    QCOMPARE(ini.ReadString(section, key, fallback), value.isNull() ? fallback : value);
}

void TestProfileFile::readInt_data()
{
    QTest::addColumn<QString>("value"); // null: key missing
    QTest::addColumn<int>("number");
    QTest::addColumn<bool>("flag");

    QTest::newRow("number") << u"42"_s << 42 << true;
    QTest::newRow("blanks") << u"  7 "_s << 7 << true;
    QTest::newRow("negative") << u"-3"_s << -3 << true;
    QTest::newRow("zero is false") << u"0"_s << 0 << false;
    QTest::newRow("any non-zero is true") << u"2"_s << 2 << true;
    QTest::newRow("not a number") << u"abc"_s << -1 << true;
    QTest::newRow("empty") << u""_s << -1 << true;
    QTest::newRow("missing") << QString() << -1 << true;
}

void TestProfileFile::readInt()
{
    QFETCH(QString, value);
    QFETCH(int, number);
    QFETCH(bool, flag);
    QString content = u"[window]\r\n"_s;
    if (!value.isNull())
        content += u"n=" + value + u"\r\n";
    testfiles::Write(Path(), testfiles::Cp932(content));
    ProfileFile ini(Path());
    QVERIFY(ini.Load());
    QCOMPARE(ini.ReadInt(u"window"_s, u"n"_s, -1), number);
    QCOMPARE(ini.ReadBool(u"window"_s, u"n"_s, true), flag);
}

void TestProfileFile::missingFileReadsAsDefaults()
{
    ProfileFile ini(Path());
    QString error;
    QVERIFY(ini.Load(&error));
    QVERIFY(!ini.Exists());
    QCOMPARE(ini.ReadString(u"system"_s, u"KivID"_s, u"00000000"_s), u"00000000"_s);
    QCOMPARE(ini.ReadInt(u"system"_s, u"FontSize"_s, 9), 9);
    QVERIFY(!QFileInfo::exists(Path()));
}

void TestProfileFile::write_data()
{
    QTest::addColumn<QString>("before"); // null: no file
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("after");

    QTest::newRow("no file") << QString() << u"System"_s << u"logdir"_s << u"/g/"_s
                             << u"[System]\r\nlogdir=/g/\r\n"_s;
    QTest::newRow("changed in place, other lines kept")
        << u"; note\r\n[system]\r\nKivID=00000000\r\nlogdir=x\r\n[other]\r\nkivid=1\r\n"_s << u"System"_s
        << u"kivid"_s << u"12345678"_s
        << u"; note\r\n[system]\r\nkivid=12345678\r\nlogdir=x\r\n[other]\r\nkivid=1\r\n"_s;
    QTest::newRow("padded key over a plain one")
        << u"[FrmKivMain]\r\n Left = 5\r\nTop=6\r\n"_s << u"FrmKivMain"_s << u"Left  "_s << u"7"_s
        << u"[FrmKivMain]\r\nLeft=7\r\nTop=6\r\n"_s;
    QTest::newRow("new key at the end of its section")
        << u"[window]\r\nstyle=0\r\n\r\n[sound]\r\nbeep0=a.wav\r\n"_s << u"WINDOW"_s << u"info.left"_s << u"3"_s
        << u"[window]\r\nstyle=0\r\ninfo.left=3\r\n\r\n[sound]\r\nbeep0=a.wav\r\n"_s;
    QTest::newRow("new key in an empty section")
        << u"[window]\r\n[sound]\r\n"_s << u"window"_s << u"style"_s << u"1"_s
        << u"[window]\r\nstyle=1\r\n[sound]\r\n"_s;
    QTest::newRow("new section at the end")
        << u"[sound]\r\nbeep0=a.wav\r\n"_s << u"window"_s << u"style"_s << u"0"_s
        << u"[sound]\r\nbeep0=a.wav\r\n[window]\r\nstyle=0\r\n"_s;
    QTest::newRow("key before any section is not in the section")
        << u"style=5\r\n[window]\r\n"_s << u"window"_s << u"style"_s << u"1"_s
        << u"style=5\r\n[window]\r\nstyle=1\r\n"_s;
    QTest::newRow("unknown lines and last line without an end")
        << u"[window]\r\nfoo\r\nstyle=0\r\nbar=baz"_s << u"window"_s << u"style"_s << u"1"_s
        << u"[window]\r\nfoo\r\nstyle=1\r\nbar=baz\r\n"_s;
}

void TestProfileFile::write()
{
    QFETCH(QString, before);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QString, after);
    if (!before.isNull())
        testfiles::Write(Path(), testfiles::Cp932(before));
    ProfileFile ini(Path());
    QVERIFY(ini.Load());
    ini.WriteString(section, key, value);
    QCOMPARE(ini.ReadString(section, key), value);
    QString error;
    QVERIFY2(ini.Save(&error), qPrintable(error));
    QCOMPARE(testfiles::Read(Path()), testfiles::Cp932(after));
    // The temporary file of the atomic write is gone.
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"kivreader.ini"_s});
}

void TestProfileFile::valuesAreWrittenInCodePage932()
{
    ProfileFile ini(Path());
    QVERIFY(ini.Load());
    ini.WriteString(u"Rnk"_s, u"Rnk8"_s, u"注意人物"_s);
    ini.WriteString(u"Rnk"_s, u"Rnk9"_s, u"表①～"_s);
    ini.WriteInt(u"window"_s, u"info.left"_s, -12);
    ini.WriteBool(u"window"_s, u"InfoWindow"_s, false);
    QVERIFY(ini.Save());
    const QByteArray bytes = testfiles::Read(Path());
    QVERIFY(bytes.contains(QByteArray("Rnk9=\x95\x5C\x87\x40\x81\x60\r\n")));
    QVERIFY(bytes.contains(QByteArray("info.left=-12\r\nInfoWindow=0\r\n")));

    ProfileFile again(Path());
    QVERIFY(again.Load());
    QCOMPARE(again.ReadString(u"rnk"_s, u"rnk8"_s), u"注意人物"_s);
    QCOMPARE(again.ReadInt(u"Window"_s, u"Info.Left"_s, 0), -12);
    QCOMPARE(again.ReadBool(u"window"_s, u"infowindow"_s, true), false);
}

void TestProfileFile::utf16FileStaysUtf16()
{
    testfiles::Write(Path(), testfiles::Utf16Le(u"[Rnk]\r\nRnk1=한국\r\n"_s));
    ProfileFile ini(Path());
    QVERIFY(ini.Load());
    QCOMPARE(ini.ReadString(u"Rnk"_s, u"Rnk1"_s), u"한국"_s);
    ini.WriteString(u"Rnk"_s, u"Rnk2"_s, u"x"_s);
    QVERIFY(ini.Save());
    QCOMPARE(testfiles::Read(Path()), testfiles::Utf16Le(u"[Rnk]\r\nRnk1=한국\r\nRnk2=x\r\n"_s));
}

void TestProfileFile::encodingThatHoldsTheValues_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after"); // empty: the file cannot be read and stays as it was

    const QString kept = u"[Rnk]\r\nRnk1=同伴あり\r\n"_s;
    const QString asian = u"C:\\ゲーム\\LOG\\"_s;
    const QString latin = u"/home/josé/Łódź/KIV/LOG/"_s;
    auto with = [&kept](const QString &value) -> QString { return kept + u"[System]\r\nlogdir="_s + value + u"\r\n"_s; };
    QTest::newRow("code page stays code page") << testfiles::Cp932(kept) << asian << testfiles::Cp932(with(asian));
    QTest::newRow("a value outside the code page makes it UTF-16")
        << testfiles::Cp932(kept) << latin << testfiles::Utf16Le(with(latin));
    QTest::newRow("UTF-8 without a mark stays so") << kept.toUtf8() << latin << with(latin).toUtf8();
    QTest::newRow("UTF-8 with a mark stays so")
        << QByteArray("\xEF\xBB\xBF") + kept.toUtf8() << asian << QByteArray("\xEF\xBB\xBF") + with(asian).toUtf8();
    QTest::newRow("neither UTF-8 nor code page") << QByteArray("[Rnk]\r\nRnk1=\xFF\r\n") << latin << QByteArray();
}

void TestProfileFile::encodingThatHoldsTheValues()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);
    testfiles::Write(Path(), before);
    ProfileFile ini(Path());
    QCOMPARE(ini.Load(), !after.isEmpty());
    ini.WriteString(u"System"_s, u"logdir"_s, value);
    QCOMPARE(ini.Save(), !after.isEmpty());
    QCOMPARE(testfiles::Read(Path()), after.isEmpty() ? before : after);
    if (after.isEmpty())
        return;
    ProfileFile again(Path());
    QVERIFY(again.Load());
    QCOMPARE(again.ReadString(u"system"_s, u"logdir"_s), value);
    QCOMPARE(again.ReadString(u"rnk"_s, u"rnk1"_s), u"同伴あり"_s);
}

void TestProfileFile::loadForgetsTheEncodingOfTheFileBefore()
{
    // One object loaded twice: the file was removed in between, so the new one is written
    // the way a missing file is, in the code page.
    testfiles::Write(Path(), testfiles::Utf16Le(u"[a]\r\nk=1\r\n"_s));
    ProfileFile ini(Path());
    QVERIFY(ini.Load());
    QVERIFY(QFile::remove(Path()));
    QVERIFY(ini.Load());
    ini.WriteString(u"a"_s, u"k"_s, u"表"_s);
    QVERIFY(ini.Save());
    QCOMPARE(testfiles::Read(Path()), testfiles::Cp932(u"[a]\r\nk=表\r\n"_s));
}

void TestProfileFile::saveFailureNamesTheFile()
{
    const QString path = m_dir->filePath(u"missing/kivreader.ini"_s);
    ProfileFile ini(path);
    QVERIFY(ini.Load());
    ini.WriteInt(u"window"_s, u"style"_s, 1);
    QString error;
    QVERIFY(!ini.Save(&error));
    QVERIFY2(error.contains(QDir::toNativeSeparators(path)), qPrintable(error));
}

void TestProfileFile::unreadableFileIsNeverWritten()
{
    // The memory file of this process: a regular file whose read fails even for root.
    const QString path = u"/proc/self/mem"_s;
    if (!QFileInfo(path).isFile())
        QSKIP("needs a file that exists and cannot be read");
    ProfileFile ini(path);
    QString error;
    QVERIFY(!ini.Load(&error));
    QVERIFY(!error.isEmpty());
    QVERIFY(ini.Exists());
    ini.WriteInt(u"window"_s, u"style"_s, 1);
    QVERIFY(!ini.Save(&error));
    QVERIFY2(error.contains(path) && error.contains(u"上書きしません"_s), qPrintable(error));
}

QTEST_GUILESS_MAIN(TestProfileFile)
#include "tst_profilefile.moc"
