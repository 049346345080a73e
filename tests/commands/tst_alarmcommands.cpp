#include "app/KivLogic.h"
#include "commands/PresetCommands.h"
#include "commands/WebLink.h"
#include "logs/ChatRowsModel.h"
#include "support/FakeClock.h"
#include "support/FakeInfoOutput.h"
#include "support/FakeSeams.h"
#include "support/ScriptedPrompts.h"

#include <QTest>

namespace {

QString Record(const QString &speaker, const QString &text)
{
    return u"12:00:00\t<Public>\t"_qs + speaker + u"\r\n"_qs + text + u"\r\n\r\n"_qs;
}

struct Fixture
{
    Fixture()
    {
        state.ownId = u"12345678"_qs;
        state.programFolder = u"/prog/"_qs;
        for (int n = 0; n < 10; ++n)
            state.beepFiles[size_t(n)] = u"s%1.wav"_qs.arg(n);
        logic.SetMessenger(&messenger);
    }
    AppState state;
    ChatRowsModel model;
    FakeInfoOutput info;
    FakeStatusText status;
    ScriptedPrompts prompts;
    FakeDesktop desktop;
    FakeSound sound;
    FakeClock clock;
    FakeMessenger messenger;
    KivLogic logic{state, model, KivLogic::Seams{info, status, prompts, desktop, sound, clock}};
};

} // namespace

// The alarms and messenger commands as the chat lines and double-clicks run them.
class TestAlarmCommands : public QObject
{
    Q_OBJECT

private slots:
    void wantedAlarm_data();
    void wantedAlarm();
    void sendFromOwnLiveLine();
    void customAddsPresetRowsBeforeItsOwn();
    void webLink_data();
    void webLink();
};

void TestAlarmCommands::wantedAlarm_data()
{
    QTest::addColumn<QString>("speaker");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("played");
    const int live = int(ProcessingMode::Live);
    QTest::newRow("word in another player's line") << u"Taro(99999999)"_qs << u"a teapot"_qs << live
                                                   << QStringList{u"/prog/sound/s2.wav"_qs};
    QTest::newRow("listed player, command in capitals") << u"Hana(22222222)"_qs << u"shout"_qs << live << QStringList{u"/prog/sound/s7.wav"_qs};
    QTest::newRow("nothing listed") << u"Taro(99999999)"_qs << u"hello"_qs << live << QStringList{};
    QTest::newRow("replay raises no alarm") << u"Taro(99999999)"_qs << u"a teapot"_qs << int(ProcessingMode::Replay)
                                            << QStringList{};
}

void TestAlarmCommands::wantedAlarm()
{
    QFETCH(QString, speaker);
    QFETCH(QString, text);
    QFETCH(int, mode);
    QFETCH(QStringList, played);
    Fixture f;
    f.state.wanted.Assign({u"chat:pot=@beep2"_qs, u"chat:22222222=@BEEP7"_qs});
    f.logic.ProcessChatText(Record(speaker, text), ProcessingMode(mode));
    QCOMPARE(f.sound.played, played);
}

void TestAlarmCommands::sendFromOwnLiveLine()
{
    Fixture f;
    f.logic.ProcessChatText(Record(u"Me(12345678)"_qs, u"@send at the shop"_qs), ProcessingMode::Live);
    f.logic.ProcessChatText(Record(u"Taro(99999999)"_qs, u"@send elsewhere"_qs), ProcessingMode::Live);
    f.logic.ProcessChatText(Record(u"Me(12345678)"_qs, u"@send old"_qs), ProcessingMode::Replay);
    QCOMPARE(f.messenger.sent, QStringList{u"1|at the shop"_qs});
    // A double-click runs the row's text as shown.
    f.logic.RunCommand(u"@send"_qs, u"@send At The Shop"_qs);
    QCOMPARE(f.messenger.sent.last(), u"1|At The Shop"_qs);
}

void TestAlarmCommands::customAddsPresetRowsBeforeItsOwn()
{
    Fixture f;
    f.logic.ProcessChatText(Record(u"Me(12345678)"_qs, u"@custom"_qs), ProcessingMode::Live);
    const QStringList presets = PresetCommands();
    QCOMPARE(presets.size(), 17);
    QCOMPARE(f.model.Count(), presets.size() + 1);
    for (int r = 0; r < presets.size(); ++r) {
        const LogLineRecord row = f.model.Row(r);
        QCOMPARE(row.text, presets[r]);
        QVERIFY(row.id.isEmpty() && row.name.isEmpty());
        QCOMPARE(row.tag, presets[r].section(u' ', 0, 0));
    }
    QCOMPARE(f.model.Row(presets.size()).tag, u"@custom"_qs);
    // The preset rows ran nothing; double-clicking one runs it.
    QCOMPARE(f.info.alpha, FakeInfoOutput().alpha);
    const LogLineRecord alpha = f.model.Row(int(presets.indexOf(u"@info alpha 180"_qs)));
    f.logic.RunCommand(alpha.tag, alpha.text);
    QCOMPARE(f.info.alpha, 180);
}

void TestAlarmCommands::webLink_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("infoShown");
    QTest::addColumn<QStringList>("opened");
    QTest::addColumn<QStringList>("infoLines");
    QTest::addColumn<QString>("status");
    const QString address = u"https://example.com/x"_qs;
    QTest::newRow("address alone") << address << true << QStringList{address} << QStringList{address + kWebLinkSent}
                                   << QString();
    QTest::newRow("address among words") << u"see http://a.example/ now"_qs << true
                                         << QStringList{u"http://a.example/"_qs}
                                         << QStringList{u"see http://a.example/ now"_qs + kWebLinkSent} << QString();
    QTest::newRow("local file opens nothing") << u"http:// file:///etc/passwd"_qs << true << QStringList{}
                                              << QStringList{} << kWebLinkNone;
}

void TestAlarmCommands::webLink()
{
    QFETCH(QString, text);
    QFETCH(bool, infoShown);
    QFETCH(QStringList, opened);
    QFETCH(QStringList, infoLines);
    QFETCH(QString, status);
    Fixture f;
    f.info.visible = infoShown;
    // The row is tagged from the chat; only the double-click opens it.
    f.logic.ProcessChatText(Record(u"Taro(99999999)"_qs, text), ProcessingMode::Live);
    QVERIFY(f.desktop.opened.isEmpty());
    const LogLineRecord row = f.model.Row(0);
    f.logic.RunCommand(row.tag, row.text);
    QCOMPARE(f.desktop.opened, opened);
    QCOMPARE(f.info.lines, infoLines);
    QCOMPARE(f.status.StatusText(), status);
}

QTEST_GUILESS_MAIN(TestAlarmCommands)
#include "tst_alarmcommands.moc"
