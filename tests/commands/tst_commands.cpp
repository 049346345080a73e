#include "core/AppState.h"
#include "commands/BeepCommand.h"
#include "commands/InfoCommand.h"
#include "support/FakeInfoOutput.h"
#include "support/FakeSeams.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

// The "@info" and "@beep" commands against fake windows and sound.
class TestCommands : public QObject
{
    Q_OBJECT

private slots:
    void infoWords_data();
    void infoWords();
    void infoToggles();
    void infoClearShowsAnEmptyWindow();
    void infoAlpha_data();
    void infoAlpha();
    void infoSize_data();
    void infoSize();
    void infoSizeIsKeptForLaterShowings();
    void infoSeveralStepsInOneCommand();

    void beep_data();
    void beep();
    void beepResolvesTheSoundFolderWithoutRegardToCase();
};

void TestCommands::infoWords_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("words");
    QTest::newRow("blanks") << u"@info  size\t300 100"_qs << QStringList{u"@info"_qs, u"size"_qs, u"300"_qs, u"100"_qs};
    QTest::newRow("full-width blank") << u"@info　ALPHA　180"_qs << QStringList{u"@info"_qs, u"alpha"_qs, u"180"_qs};
    QTest::newRow("quoted part is one word") << u"@info \"a b\" c"_qs << QStringList{u"@info"_qs, u"a b"_qs, u"c"_qs};
    QTest::newRow("unclosed quote runs to the end") << u"@info \"a b"_qs << QStringList{u"@info"_qs, u"a b"_qs};
    QTest::newRow("only blanks") << u"  \t "_qs << QStringList{};
}

void TestCommands::infoWords()
{
    QFETCH(QString, text);
    QFETCH(QStringList, words);
    QCOMPARE(SplitInfoWords(text), words);
}

void TestCommands::infoToggles()
{
    FakeInfoOutput info;
    info.lines = QStringList{u"old"_qs};
    InfoCommand command(info);
    command.Run(u"@info"_qs);
    QVERIFY(info.visible);
    QCOMPARE(info.lines, QStringList{kInfoShown});
    command.Run(u"@info"_qs);
    QVERIFY(!info.visible);
    // A chat line with more words does not toggle.
    command.Run(u"see @info"_qs);
    QVERIFY(!info.visible);
}

void TestCommands::infoClearShowsAnEmptyWindow()
{
    FakeInfoOutput info;
    info.lines = QStringList{u"old"_qs};
    InfoCommand(info).Run(u"@info clear"_qs);
    QVERIFY(info.visible);
    QVERIFY(info.lines.isEmpty());
}

void TestCommands::infoAlpha_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("alpha");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("set") << u"@info alpha 180"_qs << 180 << QStringList{u"@info alpha 180"_qs, kInfoAlphaSet};
    QTest::newRow("above 255 does nothing") << u"@info alpha 300"_qs << 220 << QStringList{};
    QTest::newRow("no digits keeps the opacity") << u"@info alpha"_qs << 220 << QStringList{u"@info alpha"_qs, kInfoAlphaSet};
    QTest::newRow("too large for an integer") << u"@info alpha 99999999999"_qs << 220
                                              << QStringList{u"@info alpha 99999999999"_qs, kInfoAlphaSet};
    QTest::newRow("zero is allowed") << u"@info alpha 0"_qs << 0 << QStringList{u"@info alpha 0"_qs, kInfoAlphaSet};
}

void TestCommands::infoAlpha()
{
    QFETCH(QString, text);
    QFETCH(int, alpha);
    QFETCH(QStringList, lines);
    FakeInfoOutput info;
    info.visible = true;
    InfoCommand(info).Run(text);
    QCOMPARE(info.alpha, alpha);
    QCOMPARE(info.lines, lines);
}

void TestCommands::infoSize_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<QString>("lastLine");
    QTest::newRow("usage") << u"@info size"_qs << 392 << 80 << u"  Width=392　Height=80"_qs;
    QTest::newRow("width capped at 640") << u"@info size 800 200"_qs << 640 << 200 << u"  Width=640　Height=200設定しました。"_qs;
    QTest::newRow("relative width") << u"@info size +50"_qs << 442 << 80 << u"  Width=442　Height=80設定しました。"_qs;
    QTest::newRow("relative shrink") << u"@info size -92 -30"_qs << 300 << 50 << u"  Width=300　Height=50設定しました。"_qs;
    QTest::newRow("no number keeps") << u"@info size wide 120"_qs << 392 << 120 << u"  Width=392　Height=120設定しました。"_qs;
    QTest::newRow("relative no number adds 0") << u"@info size +x"_qs << 392 << 80 << u"  Width=392　Height=80設定しました。"_qs;
    QTest::newRow("height capped at the screen") << u"@info size 300 5000"_qs << 300 << 768 << u"  Width=300　Height=768設定しました。"_qs;
    QTest::newRow("relative overflow is clamped") << u"@info size +2147483647"_qs << 640 << 80
                                                  << u"  Width=640　Height=80設定しました。"_qs;
}

void TestCommands::infoSize()
{
    QFETCH(QString, text);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(QString, lastLine);
    FakeInfoOutput info;
    InfoCommand(info).Run(text);
    QVERIFY(info.visible);
    QCOMPARE(info.width, width);
    QCOMPARE(info.height, height);
    QCOMPARE(info.lines.first(), text);
    QCOMPARE(info.lines.last(), lastLine);
}

void TestCommands::infoSizeIsKeptForLaterShowings()
{
    FakeInfoOutput info;
    InfoCommand command(info);
    command.Run(u"@info size 300 100"_qs);
    command.Run(u"@info"_qs); // hide
    command.Run(u"@info"_qs); // show again
    QCOMPARE(info.width, 300);
    QCOMPARE(info.height, 100);
}

void TestCommands::infoSeveralStepsInOneCommand()
{
    // "clear" and "alpha" are separate tests run in order on the same words.
    FakeInfoOutput info;
    info.lines = QStringList{u"old"_qs};
    InfoCommand(info).Run(u"@info clear alpha 100"_qs);
    QVERIFY(info.visible);
    QCOMPARE(info.alpha, 100);
    QCOMPARE(info.lines, (QStringList{u"@info clear alpha 100"_qs, kInfoAlphaSet}));
}

void TestCommands::beep_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("played"); // file name in the sound folder, or empty
    QTest::addColumn<QString>("status");
    QTest::newRow("slot 3") << u"@beep3"_qs << u"three.wav"_qs << QString();
    QTest::newRow("upper case") << u"@BEEP3"_qs << u"three.wav"_qs << QString();
    QTest::newRow("no number") << u"@beep"_qs << QString() << kBeepNoNumber;
    QTest::newRow("letters only") << u"@beepx"_qs << QString() << kBeepNoNumber;
    QTest::newRow("twelve") << u"@beep12"_qs << QString() << QString();
    QTest::newRow("digits joined") << u"@beep 1 2"_qs << QString() << QString();
    QTest::newRow("digits of the whole text") << u"@beep1 in 5 minutes"_qs << QString() << QString();
    QTest::newRow("ogg") << u"@beep4"_qs << QString() << kBeepOgg;
    QTest::newRow("other extension") << u"@beep5"_qs << QString() << QString();
    QTest::newRow("empty slot") << u"@beep6"_qs << QString() << QString();
    QTest::newRow("default slot 0") << u"@beep0"_qs << u"alarm.wav"_qs << QString();
    QTest::newRow("relative path in the name") << u"@beep7"_qs << u"sub/bell.wav"_qs << QString();
}

void TestCommands::beep()
{
    QFETCH(QString, text);
    QFETCH(QString, played);
    QFETCH(QString, status);
    AppState state;
    state.programFolder = u"/prog/"_qs;
    state.beepFiles = {u"alarm.wav"_qs, u"p.wav"_qs, {}, u"three.wav"_qs, u"bell.ogg"_qs, u"bell.mp3"_qs, {},
                       u"sub\\bell.wav"_qs};
    FakeSound sound;
    FakeStatusText statusText;
    BeepCommand(state, sound, statusText).Run(text);
    QCOMPARE(sound.played, played.isEmpty() ? QStringList() : QStringList{u"/prog/sound/"_qs + played});
    QCOMPARE(statusText.StatusText(), status);
}

void TestCommands::beepResolvesTheSoundFolderWithoutRegardToCase()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(u"Sound"_qs));
    AppState state;
    state.programFolder = dir.path() + u'/';
    state.beepFiles[0] = u"alarm.wav"_qs;
    FakeSound sound;
    FakeStatusText status;
    BeepCommand(state, sound, status).Run(u"@beep0"_qs);
    QCOMPARE(sound.played, QStringList{dir.path() + u"/Sound/alarm.wav"_qs});
}

QTEST_GUILESS_MAIN(TestCommands)
#include "tst_commands.moc"
