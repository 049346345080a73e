#include "commands/Location.h"
#include "commands/Wanted.h"
#include "commands/WebLink.h"
#include "core/strDBListUniU.h"
#include "platform/IMessenger.h"
#include "platform/ProfileFile.h"
#include "platform/SystemMessenger.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The wanted check, the messenger payload, the location lists and the web link rules.
class TestAlarms : public QObject
{
    Q_OBJECT

private slots:
    void matchWanted_data();
    void matchWanted();

    void messengerPayload_data();
    void messengerPayload();
    void commandWords_data();
    void commandWords();
    void sendStatusText_data();
    void sendStatusText();

    void locationLists_data();
    void locationLists();
    void saveLocationNeverCreatesTheFile();

    void webAddress_data();
    void webAddress();
};

void TestAlarms::matchWanted_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("alarm");
    const QStringList pot{u"chat:pot=@beep2"_qs};
    QTest::newRow("word inside a text") << pot << kWantedKindChat << u"1"_qs << u"a pot"_qs << u"@beep2"_qs;
    QTest::newRow("word inside a word") << pot << kWantedKindChat << u"1"_qs << u"teapot"_qs << u"@beep2"_qs;
    QTest::newRow("whole text, case ignored") << pot << kWantedKindChat << u"1"_qs << u"POT"_qs << u"@beep2"_qs;
    QTest::newRow("part of a text, case kept") << pot << kWantedKindChat << u"1"_qs << u"a POT"_qs << QString();
    QTest::newRow("player ID") << QStringList{u"chat:12345678=@beep1"_qs} << kWantedKindChat << u"12345678"_qs
                               << u"hello"_qs << u"@beep1"_qs;
    const QStringList crystal{u"item:Crystal=@beep4"_qs};
    QTest::newRow("item name exactly") << crystal << kWantedKindItem << u"1"_qs << u"crystal"_qs << u"@beep4"_qs;
    QTest::newRow("longer item name") << crystal << kWantedKindItem << u"1"_qs << u"Crystal Ball"_qs << QString();
    QTest::newRow("item entry never for chat") << crystal << kWantedKindChat << u"1"_qs << u"Crystal"_qs << QString();
    QTest::newRow("chat word in an item name") << pot << kWantedKindItem << u"1"_qs << u"Teapot"_qs << u"@beep2"_qs;
    QTest::newRow("first chat entry in list order")
        << QStringList{u"chat:b=@beep5"_qs, u"chat:a=@beep6"_qs} << kWantedKindChat << u"1"_qs << u"a b"_qs
        << u"@beep5"_qs;
    QTest::newRow("exact text before ID before word")
        << QStringList{u"chat:x=@beep1"_qs, u"chat:7=@beep2"_qs, u"chat:x y=@beep3"_qs} << kWantedKindChat
        << u"7"_qs << u"x y"_qs << u"@beep3"_qs;
    QTest::newRow("empty word never fires") << QStringList{u"chat:=@beep1"_qs} << kWantedKindChat << u"1"_qs
                                            << u"anything"_qs << QString();
    QTest::newRow("word with a colon") << QStringList{u"chat:a:b=@beep3"_qs} << kWantedKindChat << u"1"_qs
                                       << u"xa:by"_qs << u"@beep3"_qs;
    QTest::newRow("kind not quite chat") << QStringList{u"Chat:pot=@beep2"_qs} << kWantedKindItem << u"1"_qs
                                         << u"teapot"_qs << QString();
}

void TestAlarms::matchWanted()
{
    QFETCH(QStringList, entries);
    QFETCH(QString, kind);
    QFETCH(QString, id);
    QFETCH(QString, text);
    QFETCH(QString, alarm);
    TStrDBListUni list;
    list.Assign(entries);
    QCOMPARE(MatchWanted(list, kind, id, u"Name"_qs, text), alarm);
}

void TestAlarms::messengerPayload_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("flag");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("arrives");
    QTest::newRow("location") << u"Uni07 Lobby A /World01"_qs << u"1"_qs
                              << u"Wimamp\\0Games\\01\\0Uni07 Lobby A /World01\\0"_qs << u"Uni07 Lobby A /World01"_qs;
    QTest::newRow("switch-off") << QString() << u"0"_qs << u"Wimamp\\0Games\\00\\0\\0"_qs << QString();
    QTest::newRow("double-byte text") << u"表の店"_qs << u"1"_qs << u"Wimamp\\0Games\\01\\0表の店\\0"_qs << u"表の店"_qs;
    QTest::newRow("outside the code page") << u"a\U0001F600"_qs << u"1"_qs << u"Wimamp\\0Games\\01\\0a?\\0"_qs
                                           << u"a?"_qs;
    // The fixed parts take 20 characters: 107 characters of text fill the 127.
    QTest::newRow("127 characters fit") << QString(107, u'x') << u"1"_qs
                                        << u"Wimamp\\0Games\\01\\0"_qs + QString(107, u'x') + u"\\0"_qs
                                        << QString(107, u'x');
    QTest::newRow("128 characters arrive empty") << QString(108, u'x') << u"1"_qs << QString() << QString();
}

void TestAlarms::messengerPayload()
{
    QFETCH(QString, text);
    QFETCH(QString, flag);
    QFETCH(QString, status);
    QFETCH(QString, arrives);
    const MessengerStatus built = BuildMessengerStatus(text, flag);
    QByteArray expected(256, '\0');
    for (qsizetype i = 0; i < status.size(); ++i) {
        expected[2 * i] = char(status[i].unicode() & 0xFF);
        expected[2 * i + 1] = char(status[i].unicode() >> 8);
    }
    QCOMPARE(built.payload, expected);
    QCOMPARE(built.flag, flag);
    QCOMPARE(built.text, arrives);
}

void TestAlarms::commandWords_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("words");
    QTest::newRow("program alone") << u"notify"_qs << QStringList{u"notify"_qs, u"1"_qs, u"at the shop"_qs};
    QTest::newRow("quoted words") << u"'/opt/my tool' -t \"a b\""_qs
                                  << QStringList{u"/opt/my tool"_qs, u"-t"_qs, u"a b"_qs, u"1"_qs, u"at the shop"_qs};
    QTest::newRow("backslash and quote inside double quotes") << u"say \"a\\\"b\" c\\ d"_qs
        << QStringList{u"say"_qs, u"a\"b"_qs, u"c d"_qs, u"1"_qs, u"at the shop"_qs};
    QTest::newRow("empty quoted word") << u"x ''"_qs << QStringList{u"x"_qs, QString(), u"1"_qs, u"at the shop"_qs};
    QTest::newRow("no shell: a semicolon is a word") << u"echo ;rm"_qs
                                                     << QStringList{u"echo"_qs, u";rm"_qs, u"1"_qs, u"at the shop"_qs};
    QTest::newRow("unset") << QString() << QStringList{};
}

void TestAlarms::commandWords()
{
    QFETCH(QString, line);
    QFETCH(QStringList, words);
    QCOMPARE(CommandWords(line, {u"1"_qs, u"at the shop"_qs}), words);
}

void TestAlarms::sendStatusText_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("status");
    QTest::newRow("text after the keyword") << u"@send at the shop"_qs << u"at the shop"_qs;
    QTest::newRow("blanks and controls trimmed") << u"@send \t x y \r"_qs << u"x y"_qs;
    QTest::newRow("at most 255 characters") << u"@send "_qs + QString(300, u'x') << QString(254, u'x');
}

void TestAlarms::sendStatusText()
{
    QFETCH(QString, command);
    QFETCH(QString, status);
    QCOMPARE(SendStatusText(command), status);
}

void TestAlarms::locationLists_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("worlds");
    QTest::addColumn<int>("universes");
    QTest::addColumn<QStringList>("lobbies");
    QTest::addColumn<QStringList>("chosen");
    QTest::newRow("defaults") << QByteArray() << QStringList{QString(), u"World01"_qs, u"World02"_qs} << 51
                              << QStringList{QString()} << QStringList{QString(), QString(), QString()};
    QTest::newRow("counts, lobbies and choices")
        << QByteArray("[world]\r\nworld=3\r\n[Universe]\r\nUniverse=7\r\n[Lobby]\r\nLobby001=Lobby A\r\n"
                      "Lobby002=\x95\x5c\r\nLobby004=gap\r\n[System]\r\nworld=World02\r\nLobby=Lobby A\r\n")
        << QStringList{QString(), u"World01"_qs, u"World02"_qs, u"World03"_qs} << 8
        << QStringList{QString(), u"Lobby A"_qs, u"表"_qs} << QStringList{u"World02"_qs, QString(), u"Lobby A"_qs};
    QTest::newRow("huge count is capped") << QByteArray("[Universe]\r\nUniverse=2000000000\r\n")
                                          << QStringList{QString(), u"World01"_qs, u"World02"_qs}
                                          << kMaxLocationCount + 1 << QStringList{QString()}
                                          << QStringList{QString(), QString(), QString()};
}

void TestAlarms::locationLists()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, worlds);
    QFETCH(int, universes);
    QFETCH(QStringList, lobbies);
    QFETCH(QStringList, chosen);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"KivArea.ini"_qs);
    testfiles::Write(path, file);
    ProfileFile area(path);
    QVERIFY(area.Load());
    const LocationLists lists = ReadLocationLists(area);
    QCOMPARE(lists.worlds, worlds);
    QCOMPARE(lists.universes.size(), universes);
    QCOMPARE(lists.universes.value(7), universes > 7 ? u"Uni07"_qs : QString());
    QCOMPARE(lists.lobbies, lobbies);
    QCOMPARE((QStringList{lists.world, lists.universe, lists.lobby}), chosen);
}

void TestAlarms::saveLocationNeverCreatesTheFile()
{
    QTemporaryDir dir;
    const QString folder = dir.path() + u'/';
    QVERIFY(SaveLocation(folder, u"World01"_qs, u"Uni07"_qs, u"Lobby A"_qs));
    QVERIFY(QDir(folder).isEmpty());
    // Found in any letter case; the lists and other lines stay.
    testfiles::Write(folder + u"kivarea.INI"_qs, "[Lobby]\r\nLobby001=Lobby A\r\n");
    QVERIFY(SaveLocation(folder, u"World01"_qs, QString(), u"Lobby A"_qs));
    ProfileFile area(folder + u"kivarea.INI"_qs);
    QVERIFY(area.Load());
    QCOMPARE(area.ReadString(u"system"_qs, u"WORLD"_qs), u"World01"_qs);
    QVERIFY(area.HasKey(u"System"_qs, u"Universe"_qs));
    QCOMPARE(area.ReadString(u"System"_qs, u"Lobby"_qs), u"Lobby A"_qs);
    QCOMPARE(area.ReadString(u"Lobby"_qs, u"Lobby001"_qs), u"Lobby A"_qs);
}

void TestAlarms::webAddress_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("address");
    QTest::newRow("address alone") << u"http://example.com/a?b=c"_qs << u"http://example.com/a?b=c"_qs;
    QTest::newRow("secure, in capitals, among words") << u"see HTTPS://Example.com/x now"_qs
                                                      << u"https://example.com/x"_qs;
    QTest::newRow("first of two") << u"https://a.example/ http://b.example/"_qs << u"https://a.example/"_qs;
    QTest::newRow("ends at a full-width blank") << u"http://example.com/p　です"_qs << u"http://example.com/p"_qs;
    QTest::newRow("local file") << u"file:///etc/passwd"_qs << QString();
    QTest::newRow("no host") << u"http:///etc/passwd"_qs << QString();
    QTest::newRow("scheme alone") << u"look http://"_qs << QString();
    QTest::newRow("malformed host") << u"http://[::1/x"_qs << QString();
    QTest::newRow("character not allowed") << u"http://example.com/<a>"_qs << QString();
    QTest::newRow("other scheme in front") << u"javascript:http://x"_qs << u"http://x"_qs;
}

void TestAlarms::webAddress()
{
    QFETCH(QString, text);
    QFETCH(QString, address);
    QCOMPARE(FirstWebAddress(text), address);
    QCOMPARE(HoldsWebAddress(text.toLower()), text.contains(u"http"_qs, Qt::CaseInsensitive) && text.contains(u"://"_qs));
}

QTEST_GUILESS_MAIN(TestAlarms)
#include "tst_alarms.moc"
