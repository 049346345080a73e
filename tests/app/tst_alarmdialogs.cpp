#include "app/TFrmCustom.h"
#include "app/TFrmKivMain.h"
#include "app/KivLogic.h"
#include "app/TFrmWanted.h"
#include "platform/ProfileFile.h"
#include "support/FakeClock.h"
#include "support/FakeSeams.h"
#include "support/ScriptedPrompts.h"
#include "support/TestFiles.h"
#include "widgets/TStrColGrid.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

// The settings dialog, the wanted dialog and the location bar, on the offscreen platform.
class TestAlarmDialogs : public QObject
{
    Q_OBJECT
private slots:
    void init();

    void customDialog_data();
    void customDialog();
    void customDialogWithoutSettingsFile();

    void wantedPresets_data();
    void wantedPresets();
    void wantedEditing();
    void wantedUnreadableFileIsNotWritten();
    void wantedTestPlaysTheSlotOfTheSettingsFile();

    void locationBar();

private:
    QString Path(const QString &name) const { return m_dir->filePath(name); }
    template<typename T> T *Child(QWidget *w, const char *name) { return w->findChild<T *>(QString::fromLatin1(name)); }

    std::unique_ptr<QTemporaryDir> m_dir;
    ScriptedPrompts m_prompts;
    FakeSound m_sound;
};

void TestAlarmDialogs::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_prompts = ScriptedPrompts();
    m_sound = FakeSound();
}

void TestAlarmDialogs::customDialog_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("typedId");
    QTest::addColumn<QString>("shownFont");
    QTest::addColumn<QString>("ownId");
    QTest::addColumn<int>("fontSize");
    QTest::addColumn<QString>("writtenFont");
    const QByteArray base("[system]\r\nFontSize=8\r\n");
    QTest::newRow("digits beyond 8 are not taken") << base << u"8765432199"_qs << u"8"_qs << u"87654321"_qs << 8 << u"8"_qs;
    QTest::newRow("short ID keeps the old one") << base << u"12a3-4567"_qs << u"8"_qs << u"12345678"_qs << 8 << u"8"_qs;
    QTest::newRow("empty ID keeps the old one") << base << QString() << u"8"_qs << u"12345678"_qs << 8 << u"8"_qs;
    QTest::newRow("size missing shows 10") << QByteArray("[x]\r\n") << u"12345678"_qs << u"10"_qs << u"12345678"_qs
                                           << 10 << u"10"_qs;
    // A size not in the list shows none; OK keeps the size in use and the file's own.
    QTest::newRow("size not listed") << QByteArray("[system]\r\nFontSize=12\r\n") << u"12345678"_qs << QString()
                                     << u"12345678"_qs << 9 << u"12"_qs;
}

void TestAlarmDialogs::customDialog()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, typedId);
    QFETCH(QString, shownFont);
    QFETCH(QString, ownId);
    QFETCH(int, fontSize);
    QFETCH(QString, writtenFont);
    const QString settings = Path(u"kivreader.ini"_qs);
    testfiles::Write(settings, file + "[sound]\r\nbeep2=Bell.WAV\r\n[Rnk]\r\nRnk1=friend\r\n");
    TFrmCustom dialog(settings, CustomValues{u"12345678"_qs, true, 0, 9}, m_prompts);
    dialog.show();
    QCOMPARE(Child<QComboBox>(&dialog, "cmbFont")->currentText(), shownFont);
    QCOMPARE(Child<QLineEdit>(&dialog, "edtBeep0")->text(), u"alarm.wav"_qs);
    QCOMPARE(Child<QLineEdit>(&dialog, "edtBeep2")->text(), u"bell.wav"_qs);
    QCOMPARE(Child<QLineEdit>(&dialog, "edtRnk9")->text(), u"危険人物"_qs);
    QVERIFY(Child<QRadioButton>(&dialog, "rbtWinStyle0")->isChecked());

    Child<QLineEdit>(&dialog, "edtMyID")->clear();
    QTest::keyClicks(Child<QLineEdit>(&dialog, "edtMyID"), typedId);
    Child<QCheckBox>(&dialog, "chkAction")->setChecked(false);
    Child<QRadioButton>(&dialog, "rbtWinStyle1")->setChecked(true);
    Child<QLineEdit>(&dialog, "edtBeep3")->setText(u"Alarm\\Ding.WAV"_qs);
    Child<QLineEdit>(&dialog, "edtRnk0")->setText(u"  boss　 "_qs);
    QVERIFY(dialog.bbtnOKClick());
    QCOMPARE(dialog.Values().ownId, ownId);
    QCOMPARE(dialog.Values().actionLog, false);
    QCOMPARE(dialog.Values().style, 1);
    QCOMPARE(dialog.Values().fontSize, fontSize);

    ProfileFile ini(settings);
    QVERIFY(ini.Load());
    QCOMPARE(ini.ReadString(u"system"_qs, u"FontSize"_qs), writtenFont);
    QCOMPARE(ini.ReadString(u"sound"_qs, u"beep3"_qs), u"alarm\\ding.wav"_qs);
    QCOMPARE(ini.ReadString(u"sound"_qs, u"beep1"_qs), u"p.wav"_qs);
    QCOMPARE(ini.ReadString(u"Rnk"_qs, u"Rnk0"_qs), u"boss　"_qs);
    QCOMPARE(ini.ReadString(u"Rnk"_qs, u"Rnk1"_qs), u"friend"_qs);
    // Rnk1 … Rnk9 come first, then Rnk0; the dialog keeps no section of its own.
    const QStringList lines = ini.Lines();
    QVERIFY(lines.indexOf(u"Rnk9=危険人物"_qs) < lines.indexOf(u"Rnk0=boss　"_qs));
    QVERIFY(!ini.HasKey(u"FrmCustom"_qs, u"Left"_qs));
    QVERIFY(m_prompts.shown.isEmpty());
}

void TestAlarmDialogs::customDialogWithoutSettingsFile()
{
    const QString settings = Path(u"kivreader.ini"_qs);
    TFrmCustom dialog(settings, CustomValues{u"00000000"_qs, true, 1, 0}, m_prompts);
    dialog.show();
    QCOMPARE(Child<QComboBox>(&dialog, "cmbFont")->currentIndex(), -1);
    QVERIFY(Child<QLineEdit>(&dialog, "edtBeep0")->text().isEmpty());
    QVERIFY(Child<QRadioButton>(&dialog, "rbtWinStyle1")->isChecked());
    Child<QComboBox>(&dialog, "cmbFont")->setCurrentText(u"11"_qs);
    Child<QLineEdit>(&dialog, "edtMyID")->setText(u"11112222"_qs);
    QVERIFY(dialog.bbtnOKClick());
    QCOMPARE(dialog.Values().ownId, u"11112222"_qs);
    QCOMPARE(dialog.Values().fontSize, 11);
    QVERIFY(QDir(m_dir->path()).isEmpty());
}

void TestAlarmDialogs::wantedPresets_data()
{
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("kind");
    QTest::newRow("no tag") << QString() << u"chat"_qs;
    QTest::newRow("action row") << u"$pickup"_qs << u"item"_qs;
    QTest::newRow("chat kind") << u"<Public>"_qs << QString();
}

void TestAlarmDialogs::wantedPresets()
{
    QFETCH(QString, tag);
    QFETCH(QString, kind);
    QCOMPARE(TFrmWanted::PresetsOfRow(tag, u"text"_qs, u"Taro"_qs, u"1"_qs).kind, kind);
}

void TestAlarmDialogs::wantedEditing()
{
    const QString folder = m_dir->path() + u'/';
    // The main window's "Wanted.lst" and the dialog's "wanted.lst" are one file.
    testfiles::Write(folder + u"wanted.LST"_qs, testfiles::Utf16Le(u"chat:a:b=@beep1\r\n"_qs));
    const WantedPresets presets = TFrmWanted::PresetsOfRow(QString(), u"a=b"_qs, u"Taro"_qs, u"12345678"_qs);
    TFrmWanted dialog(folder, Path(u"x.ini"_qs), presets, m_sound, m_prompts);
    dialog.show();
    auto *grid = Child<TStrColGrid>(&dialog, "grdWanted");
    auto *word = Child<QComboBox>(&dialog, "cmbWord");
    auto *command = Child<QComboBox>(&dialog, "cmbCommand");
    QCOMPARE(Child<QComboBox>(&dialog, "cmbKind")->currentText(), u"chat"_qs);
    QStringList words;
    for (int i = 0; i < word->count(); ++i)
        words.append(word->itemText(i));
    QCOMPARE(words, (QStringList{QString(), u"a=b"_qs, u"Taro"_qs, u"12345678"_qs}));
    QCOMPARE(Child<QLabel>(&dialog, "lblInfo")->text(), kWantedDescription);
    // A word with "=" is refused; a missing command adds nothing, silently.
    command->setCurrentIndex(3);
    word->setCurrentIndex(1);
    dialog.btnAddClick();
    QCOMPARE(m_prompts.shown, QStringList{u"warning: "_qs + kWantedNoEquals});
    word->setEditText(u"pot"_qs);
    command->setCurrentIndex(-1);
    dialog.btnAddClick();
    QCOMPARE(grid->rowCount(), 1);
    command->setCurrentIndex(2);
    dialog.btnAddClick();
    QVERIFY(word->currentText().isEmpty());
    word->setEditText(u"12345678"_qs);
    dialog.btnAddClick();
    QCOMPARE(dialog.GridRows(), (QList<WantedRow>{{u"chat"_qs, u"a:b"_qs, u"@beep1"_qs},
                                                  {u"chat"_qs, u"pot"_qs, u"@beep2"_qs},
                                                  {u"chat"_qs, u"12345678"_qs, u"@beep2"_qs}}));
    for (int n = 0; n < 2; ++n) {
        grid->setCurrentCell(0, 0);
        dialog.popDeleteClick();
    }
    QVERIFY(dialog.btnOKClick());
    QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{u"wanted.LST"_qs});
    QCOMPARE(testfiles::ListFileLines(folder + u"wanted.LST"_qs), QStringList{u"chat:12345678=@beep2"_qs});
    // The last row is emptied, not removed; the file then holds no entry.
    grid->setCurrentCell(0, 0);
    dialog.popDeleteClick();
    QCOMPARE(grid->rowCount(), 1);
    QVERIFY(dialog.btnOKClick());
    QCOMPARE(testfiles::Read(folder + u"wanted.LST"_qs), QByteArray("\xFF\xFE", 2));
}

void TestAlarmDialogs::wantedUnreadableFileIsNotWritten()
{
    const QString folder = m_dir->path() + u'/';
    // A folder of the file's name: it exists but cannot be read.
    QVERIFY(QDir(folder).mkdir(u"WANTED.LST"_qs));
    TFrmWanted dialog(folder, Path(u"x.ini"_qs), {}, m_sound, m_prompts);
    dialog.show();
    QVERIFY(!dialog.btnOKClick());
    QCOMPARE(m_prompts.shown.size(), 1);
    QVERIFY(m_prompts.shown.first().startsWith(u"warning: "_qs + kWantedNotRead));
    QVERIFY(QFileInfo(folder + u"WANTED.LST"_qs).isDir());
}

void TestAlarmDialogs::wantedTestPlaysTheSlotOfTheSettingsFile()
{
    const QString folder = m_dir->path() + u'/';
    const QString settings = Path(u"kivreader.ini"_qs);
    TFrmWanted dialog(folder, settings, {}, m_sound, m_prompts);
    dialog.show();
    auto *command = Child<QComboBox>(&dialog, "cmbCommand");
    command->setCurrentIndex(4);
    dialog.btnTestClick(); // no settings file
    testfiles::Write(settings, "[sound]\r\nbeep4=Bell.MP3\r\nbeep5=\r\n");
    QVERIFY(QDir(folder).mkpath(u"Sound"_qs));
    testfiles::Write(folder + u"Sound/bell.mp3"_qs, "x");
    dialog.btnTestClick();
    command->setCurrentIndex(5);
    dialog.btnTestClick(); // empty slot
    QCOMPARE(m_sound.played, QStringList{folder + u"Sound/bell.mp3"_qs});
}

void TestAlarmDialogs::locationBar()
{
    const QString folder = m_dir->path() + u'/';
    testfiles::Write(Path(u"kivreader.ini"_qs), testfiles::Cp932(u"[system]\r\nKivID=12345678\r\nlogdir="_qs + folder));
    testfiles::Write(Path(u"KivArea.ini"_qs), "[world]\r\nworld=3\r\n[Lobby]\r\nLobby001=Lobby A\r\n"
                                              "[System]\r\nworld=World03\r\nUniverse=Uni99\r\n");
    FakeClock clock;
    FakeMessenger messenger;
    auto window = std::make_unique<TFrmKivMain>(TFrmKivMain::Paths{folder, Path(u"kivreader.ini"_qs)}, m_prompts, clock);
    window->Logic().SetMessenger(&messenger);
    window->ApplyLayout(QString());
    window->ApplyLayout(QString());
    auto *world = Child<QComboBox>(window.get(), "cmbWorld");
    auto *universe = Child<QComboBox>(window.get(), "cmbUniverse");
    auto *lobby = Child<QComboBox>(window.get(), "cmbLobby");
    QCOMPARE(world->count(), 4);
    QCOMPARE(universe->count(), 51);
    QCOMPARE(world->currentText(), u"World03"_qs);
    QCOMPARE(universe->currentIndex(), -1); // remembered choice no longer listed
    world->setCurrentIndex(1);
    universe->setCurrentIndex(7);
    lobby->setCurrentIndex(1);
    window->LocationChanged();
    QCOMPARE(window->StatusText(), u"@send Uni07 Lobby A /World01"_qs);
    window->BitBtn1Click();
    QVERIFY(window->StatusText().isEmpty());
    QCOMPARE(world->currentIndex(), -1);
    lobby->setCurrentIndex(1);
    window.reset();
    // Chosen, "C", then the switch-off at close.
    QCOMPARE(messenger.sent, (QStringList{u"1|Uni07 Lobby A /World01"_qs, u"0|"_qs, u"0|"_qs}));
    ProfileFile area(Path(u"KivArea.ini"_qs));
    QVERIFY(area.Load());
    QCOMPARE(area.ReadString(u"System"_qs, u"Lobby"_qs), u"Lobby A"_qs);
    QVERIFY(area.HasKey(u"System"_qs, u"world"_qs));
    QVERIFY(area.ReadString(u"System"_qs, u"world"_qs).isEmpty());
}

QTEST_MAIN(TestAlarmDialogs)
#include "tst_alarmdialogs.moc"
