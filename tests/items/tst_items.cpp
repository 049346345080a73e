#include "FakeItemWindows.h"

#include "core/AppState.h"
#include "items/ActionProcessor.h"
#include "items/ItemCommand.h"
#include "items/ItemDb.h"
#include "support/FakeInfoOutput.h"
#include "support/RecordingChatHost.h"
#include "support/ScriptedPrompts.h"
#include "support/TestFiles.h"

#include <QDateTime>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QString L(const QString &id, const QString &name, const QString &act, const QString &item)
{
    return QStringLiteral("12:00:01\t") + id + u'\t' + name + QStringLiteral("\t[") + act + QStringLiteral("]\t-\t") +
           item + QStringLiteral("\r\n");
}
const QString A = QStringLiteral("11111111");
const QString B = QStringLiteral("22222222");

struct Fixture
{
    AppState state;
    RecordingChatHost host;
    FakeStatusText status;
    FakeItemWindows windows;
    ActionProcessor processor{state, host, status};
    Fixture()
    {
        processor.SetItemWindows(&windows);
        state.itemDb.Add(QStringLiteral("剣=\t武器\t☆07"));
        state.itemDb.Add(QStringLiteral("石=\t鉱石\t☆09"));
        state.itemDb.Add(QStringLiteral("草=\t薬品・食材\t☆06"));
        kiv::itemdb::BuildRareItems(state);
    }
    QString Counters() const
    {
        return QStringLiteral("%1/%2/%3").arg(state.itemPickups).arg(state.moneyTotal).arg(state.moneyPickups);
    }
};

} // namespace

class TestItems : public QObject
{
    Q_OBJECT
private slots:
    void processAction_data();
    void processAction();
    void rowsAndLearning();
    void linesAndTags_data();
    void linesAndTags();
    void tallyLayout_data();
    void tallyLayout();
    void reportsOfEmptyWindows();
    void noteFields_data();
    void noteFields();
    void itemCommand_data();
    void itemCommand();
    void exportAndList();
};

void TestItems::processAction_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<bool>("picker");
    QTest::addColumn<int>("rows"); // distribution rows (JRT)
    QTest::addColumn<QString>("block");
    QTest::addColumn<QString>("counters");
    QTest::addColumn<QString>("items");
    QTest::addColumn<QString>("strip");
    QTest::addColumn<QString>("byKind");

    const QString m = QStringLiteral("ペルカ");
    QTest::newRow("pot money") << 2 << true << false << 0
                               << L(A, u"a"_s, u"pickup"_s, u"草(1)"_s) + L(A, u"a"_s, u"pickup"_s, m + u"(100)"_s) +
                                      L(B, u"b"_s, u"pickup"_s, m + u"(1,200)"_s)
                               << u"1/1300/2"_s << u"11111111/a;草"_s << u"1300"_s << u"Name/Item|11111111/a;ペルカ;草|1"_s;
    QTest::newRow("picker money") << 2 << true << true << 0
                                  << L(A, u"a"_s, u"pickup"_s, m + u"(100)"_s) + L(B, u"b"_s, u"pickup"_s, m + u"(50)"_s) +
                                         L(A, u"a"_s, u"pickup"_s, m + u"(7)"_s)
                                  << u"0/157/3"_s << u"11111111/a|22222222/b;ペルカ(100)|ペルカ(50);ペルカ(7)"_s
                                  << u"107|50"_s << u"Name/Item|11111111/a|22222222/b;ペルカ|107|50"_s;
    QTest::newRow("same id other name") << 2 << true << false << 0
                                        << L(A, u"a"_s, u"pickup"_s, u"草(2)"_s) + L(A, u"z"_s, u"pickup"_s, u"草(3)"_s) << u"2/0/0"_s
                                        << u"11111111/a|11111111/z;草|草"_s << u""_s << u"Name/Item|11111111/a|11111111/z;ペルカ;草|2|3"_s;
    QTest::newRow("quantity cut to five") << 2 << true << false << 0
                                          << L(A, u"a"_s, u"pickup"_s, u"草(1234567)"_s) + L(A, u"a"_s, u"pickup"_s, u"草(2)"_s)
                                          << u"2/0/0"_s << u"11111111/a;草;草"_s << u""_s << u"Name/Item|11111111/a;ペルカ;草|12347"_s;
    QTest::newRow("rare to strip") << 2 << true << false << 3
                                   << L(A, u"a"_s, u"pickup"_s, u"剣(1)"_s) + L(A, u"a"_s, u"pickup"_s, u"石(1)"_s) +
                                          L(A, u"a"_s, u"pickup"_s, u"剣(1)"_s) + L(A, u"a"_s, u"pickup"_s, u"石(1)"_s) +
                                          L(A, u"a"_s, u"pickup"_s, u"草(1)"_s)
                                   << u"5/0/0"_s << u"11111111/a;草"_s << u"剣;石;剣;石"_s << u"Name/Item|11111111/a;ペルカ;剣|2;石|2;草|1"_s;
    QTest::newRow("sale clears then restarts") << 2 << true << false << 0
                                               << L(A, u"a"_s, u"pickup"_s, u"草(1)"_s) + L(A, u"a"_s, u"pickup"_s, m + u"(5)"_s) +
                                                      L(B, u"b"_s, u"sell"_s, u"石(1)"_s) + L(B, u"b"_s, u"pickup"_s, u"草(1)"_s)
                                               << u"1/0/0"_s << u"22222222/b;草"_s << u""_s << u"Name/Item|11111111/a|22222222/b;ペルカ;草|1|1"_s;
    QTest::newRow("money without amount") << 2 << true << false << 0
                                          << L(A, u"a"_s, u"pickup"_s, u"剣(1)"_s) + L(A, u"a"_s, u"pickup"_s, m + u"(x)"_s) +
                                                 L(A, u"a"_s, u"pickup"_s, m + u"(99999999999)"_s)
                                          << u"1/0/2"_s << u"11111111/a;剣"_s << u"0"_s << u"Name/Item|11111111/a;ペルカ;剣|1"_s;
    QTest::newRow("windows hidden") << 2 << false << false << 0 << L(A, u"a"_s, u"pickup"_s, u"草(1)"_s) << u"0/0/0"_s << u""_s
                                    << u""_s << u"Name/Item"_s;
    QTest::newRow("replay") << 1 << true << true << 0 << L(A, u"a"_s, u"pickup"_s, u"草(1)"_s) + L(A, u"a"_s, u"pickup"_s, m + u"(9)"_s)
                            << u"0/0/0"_s << u""_s << u""_s << u"Name/Item;ペルカ"_s;
    QTest::newRow("not six fields") << 2 << true << false << 0
                                    << QStringLiteral("1\t2\t3\t[pickup]\t草(1)\r\n1\t2\t3\t[pickup]\t-\t草(1)\t7\r\n")
                                    << u"0/0/0"_s << u""_s << u""_s << u"Name/Item;ペルカ"_s;
}

void TestItems::processAction()
{
    QFETCH(int, mode);
    QFETCH(bool, shown);
    QFETCH(bool, picker);
    QFETCH(int, rows);
    QFETCH(QString, block);
    Fixture f;
    f.state.moneyToPicker = picker;
    f.state.itemSellClear = true;
    f.windows.distribution.distributionRows = rows;
    f.windows.SetDistributionShown(shown);
    f.windows.SetByKindShown(shown);
    f.processor.ProcessActionText(block, ProcessingMode(mode));

    QTEST(f.Counters(), "counters");
    QTEST(Dump(f.windows.distribution.items), "items");
    QTEST(Dump(f.windows.distribution.strip), "strip");
    QTEST(Dump(f.windows.byKind.grid), "byKind");
    if (f.state.itemPickups + f.state.moneyPickups > 0)
        QCOMPARE(f.status.StatusText(), ActionProcessor::CounterText(f.state.itemPickups, f.state.moneyTotal,
                                                                     f.state.moneyPickups));
    else
        QVERIFY(f.status.texts.isEmpty());
    // Live lines mark the player and ask the wanted list, replayed ones never.
    const qsizetype sixFieldLines = qsizetype(f.host.rows.size());
    QCOMPARE(f.host.Events(u"active:").size(), mode == 2 ? sixFieldLines : 0);
    QCOMPARE(f.host.Events(u"wanted:").size(), mode == 2 ? sixFieldLines : 0);
}

void TestItems::rowsAndLearning()
{
    Fixture f;
    f.host.wantedAlarms.insert(B, QStringLiteral("@BEEP3"));
    f.processor.ProcessActionText(QString(L(A, u"a"_s, u"pickup"_s, u"剣(1)"_s) + L(B, u"b"_s, u"Sell"_s, u"新しい石(2)"_s) +
                                      L(A, u"a"_s, u"buy"_s, u"noBracket"_s) + L(A, u"a"_s, u"buy"_s, u"other"_s)),
                                  ProcessingMode::Live);
    QCOMPARE(f.host.RowTexts(), (QStringList{u"12:00:01|11111111|a|剣(1)|$pickup_rea"_s,
                                             u"12:00:01|22222222|b|新しい石(2)|$sell"_s,
                                             u"12:00:01|11111111|a|noBracket|$buy"_s, u"12:00:01|11111111|a|other|$buy"_s}));
    QCOMPARE(f.host.Events(u"info:"), (QStringList{u"info:【ItemDB】新しい石が追加されました。"_s,
                                                   u"info:【ItemDB】が追加されました。"_s}));
    // An alarm for a sale, with the windows hidden.
    QCOMPARE(f.host.Events(u"beep:"), QStringList{u"beep:@beep3"_s});
    QCOMPARE(f.state.itemDb.Line(f.state.itemDb.Count() - 1), QStringLiteral("=\t不明\t不明"));
    // A name with "=" in it is learned once, not at every pick-up.
    const qsizetype known = f.state.itemDb.Count();
    for (int i = 0; i < 2; ++i)
        f.processor.ProcessActionText(L(A, u"a"_s, u"pickup"_s, u"A=B(1)"_s), ProcessingMode::Live);
    QCOMPARE(f.state.itemDb.Count(), known + 1);
    QCOMPARE(f.state.itemDb.Line(known), QStringLiteral("A=B=\t不明\t不明"));
    // Learned items are not rare until the list is rebuilt; then rarity 7 or more is.
    SetField(u"新しい石", 1, QStringLiteral("☆7"), f.state.itemDb);
    QVERIFY(!kiv::itemdb::IsRareItem(f.state, QStringLiteral("新しい石")));
    kiv::itemdb::BuildRareItems(f.state);
    QVERIFY(kiv::itemdb::IsRareItem(f.state, QStringLiteral("新しい石")));
    QVERIFY(!kiv::itemdb::IsRareItem(f.state, QStringLiteral("草")));
    QVERIFY(!kiv::itemdb::IsRareItem(f.state, QStringLiteral("新しい石").toUpper() + u'x'));
    f.state.actionLog = false;
    f.host.Clear();
    f.processor.ProcessActionText(L(A, u"a"_s, u"pickup"_s, u"剣(1)"_s), ProcessingMode::Replay);
    QVERIFY(f.host.rows.empty());

    // A scan learns from files only, and says which file it read.
    QTemporaryDir dir;
    testfiles::Write(dir.filePath(u"actionlog_1.TXT"_s), testfiles::Cp932(L(A, u"a"_s, u"pickup"_s, u"表示の品(1)"_s)));
    testfiles::Write(dir.filePath(u"ChatLog_1.txt"_s), testfiles::Cp932(L(A, u"a"_s, u"pickup"_s, u"違う(1)"_s)));
    f.host.Clear();
    QString error;
    QVERIFY(f.processor.ScanActionLogsForItems(dir.path(), QStringLiteral("ActionLog_"), &error));
    QCOMPARE(f.host.events, (QStringList{u"info:  actionlog_1.TXT"_s, u"info:【ItemDB】表示の品が追加されました。"_s}));
}

void TestItems::linesAndTags_data()
{
    QTest::addColumn<QString>("block");
    QTest::addColumn<QString>("rows"); // item text and tag of each row
    QTest::addColumn<int>("learned");
    const QString h = QStringLiteral("1\t11111111\ta\t");
    QTest::newRow("line ends") << h + u"[pickup]\t-\t剣(1)\r"_s + h + u"[sell]\t-\t石(2)\n\r\n\r\n"_s + h + u"[buy]\t-\t草(3)"_s
                               << u"剣(1) $pickup_rea;石(2) $sell_rea;草(3) $buy"_s << 0;
    QTest::newRow("NUL ends the fields") << h + u"[pickup]\t-\t剣(1)\0\tx\r\n"_s + h + u"[pickup]\0\t-\t石(1)\r\n"_s
                                         << u"剣(1) $pickup_rea"_s << 0;
    QTest::newRow("TAB at the end, seven fields") << h + u"[buy]\t-\t草(1)\t\r\n"_s + h + u"[buy]\t-\t草(1)\t7\r\n"_s
                                                  << u"草(1) $buy"_s << 0;
    QTest::newRow("outside the code page") << h + u"[PickUp]\t-\t😀剣(1)\r\n"_s + h + u"[pickup]\t-\t?剣(1)\r\n"_s
                                           << u"?剣(1) $pickup;?剣(1) $pickup"_s << 1;
    QTest::newRow("rare by exact name") << h + u"[pickup]\t-\tsword(1)\r\n"_s + h + u"[pickup]\t-\tSword(1)\r\n"_s
                                        << u"sword(1) $pickup;Sword(1) $pickup_rea"_s << 0;
}

void TestItems::linesAndTags()
{
    QFETCH(QString, block);
    QFETCH(int, learned);
    Fixture f;
    f.state.itemDb.Add(QStringLiteral("Sword=\t武器\t☆08"));
    // Thousands of names in one block: each is learned once and keeps its own rare flag.
    for (int i = 0; i < 3000; i += 2)
        f.state.itemDb.Add(QStringLiteral("品%1=\t武器\t☆%2").arg(i).arg(i % 4 == 0 ? 9 : 1));
    kiv::itemdb::BuildRareItems(f.state);
    QString many;
    for (int i = 0; i < 6000; ++i)
        many += L(A, u"a"_s, u"pickup"_s, QStringLiteral("品%1(1)").arg(i % 3000));
    f.processor.ProcessActionText(QString(many + block), ProcessingMode::Replay);
    QCOMPARE(f.host.Events(u"info:").size(), 1500 + learned);
    QStringList rows;
    for (size_t r = 0; r < f.host.rows.size(); ++r) {
        const LogLineRecord &row = f.host.rows[r];
        if (r < 6000)
            QCOMPARE(row.tag, r % 3000 % 4 == 0 ? u"$pickup_rea"_s : u"$pickup"_s);
        else
            rows.append(row.text + u' ' + row.tag);
    }
    QTEST(rows.join(u';'), "rows");
}

void TestItems::tallyLayout_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("widths"); // distribution default, by-kind default, by-kind column 0
    QTest::addColumn<QString>("items");

    QTest::newRow("two members") << u"A,B"_s << u"89/53/70"_s << u"11111111/a|22222222/b;x|x"_s;
    QTest::newRow("three members, narrow") << u"A,B,C"_s << u"59/35/70"_s << u"11111111/a|22222222/b|33333333/c;x|x|x"_s;
    QTest::newRow("I then a new member") << u"A,B,I,C"_s << u"89/35/70"_s << u"33333333/c;x"_s;
    QTest::newRow("clear") << u"A,B,D,B"_s << u"179/53/70"_s << u"22222222/b;x"_s;
}

void TestItems::tallyLayout()
{
    QFETCH(QString, script);
    DistributionTally d;
    KindTally k;
    d.SetGridWidth(203);
    k.SetGridWidth(203);
    k.FormShow();
    for (const QString &step : script.split(u',')) {
        if (step == u"I") {
            d.ClearItems();
        } else if (step == u"D") {
            d.ClearItemWindow();
        } else {
            const QString id = QString(8, QChar(u'1' + (step[0].unicode() - u'A')));
            d.AddPickup(id, step.toLower(), QStringLiteral("x"), kiv::items::kWhite, kiv::items::kGreen);
            k.AddPickupByKind(id, step.toLower(), QStringLiteral("x(1)"), kiv::items::kWhite, kiv::items::kGreen);
        }
    }
    QCOMPARE(d.strip.ColCount(), d.items.ColCount());
    QCOMPARE(d.strip.DefaultColWidth(), d.items.DefaultColWidth());
    QTEST(QStringLiteral("%1/%2/%3").arg(d.items.DefaultColWidth()).arg(k.grid.DefaultColWidth()).arg(k.grid.ColWidth(0)),
          "widths");
    QTEST(Dump(d.items), "items");
}

void TestItems::reportsOfEmptyWindows()
{
    QTemporaryDir temp;
    const QString dir = temp.path() + u'/';
    const QDateTime now(QDate(2026, 12, 8), QTime(9, 5));
    DistributionTally d;
    KindTally k;
    QString error;
    QVERIFY(SaveDistributionReport(d, dir, now, &error).isEmpty());
    QVERIFY(SaveKindReport(k, dir, now, &error).isEmpty());
    QVERIFY(QDir(dir).entryList(QDir::Files).isEmpty());

    d.AddPickup(A, QStringLiteral("表"), QStringLiteral("剣"), kiv::items::kWhite, kiv::items::kBlue);
    k.AddPickupByKind(A, QStringLiteral("表"), QStringLiteral("剣(3)"), kiv::items::kWhite, kiv::items::kBlue);
    const QString act = SaveDistributionReport(d, dir, now, &error);
    QCOMPARE(QFileInfo(act).fileName(), QStringLiteral("Act202612080905.txt"));
    QCOMPARE(testfiles::Read(act), testfiles::Cp932(QStringLiteral("11111111\r表\r\n剣\r\n\r\n\r\n\r\n")));
    const QString hin = SaveKindReport(k, dir, now, &error);
    QCOMPARE(testfiles::Read(hin), testfiles::Cp932(QStringLiteral("Name\rItem,11111111\r表\r\n剣,3\r\n\r\n")));
}

void TestItems::noteFields_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("category");
    QTest::addColumn<int>("rarity");
    QTest::addColumn<QStringList>("notes");

    QTest::newRow("plain") << u"a=\t防具\t☆03\tx\ty\tz"_s << 2 << 3 << QStringList{u"x"_s, u"y"_s, u"z"_s};
    QTest::newRow("hand-written star") << u"a=\t謎\t☆7"_s << 0 << 7 << QStringList{};
    QTest::newRow("beyond the list") << u"a=\t武器\t☆16"_s << 1 << -1 << QStringList{};
    QTest::newRow("no number") << u"a=\t武器\t?"_s << 1 << 0 << QStringList{};
}

void TestItems::noteFields()
{
    QFETCH(QString, line);
    const kiv::itemdb::NoteView view = kiv::itemdb::ViewOfLine(line);
    QTEST(view.category, "category");
    QTEST(view.rarity, "rarity");
    QTEST(view.noteLines, "notes");
    QCOMPARE(kiv::itemdb::NoteResult(QStringLiteral("武器"), QStringLiteral("☆07"), QStringLiteral("\r\n a\r\nb\r\nc \r\n")),
             QStringLiteral("武器\t☆07\ta\tb\tc"));
    QCOMPARE(kiv::itemdb::NoteResult(QStringLiteral("武器"), QStringLiteral("☆07"), QString()),
             QStringLiteral("武器\t☆07\t"));
}

void TestItems::itemCommand_data()
{
    QTest::addColumn<bool>("shown");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("info");
    QTest::addColumn<QString>("after"); // shown, alpha, width x height

    QTest::newRow("show") << false << u"@item"_s << QStringList{u"@ItemWindowを表示しました。"_s} << u"1/220/203x111"_s;
    QTest::newRow("hide") << true << u"@item"_s << QStringList{} << u"0/220/203x111"_s;
    QTest::newRow("alpha") << true << u"@item　alpha 100"_s << QStringList{u"@item　alpha 100"_s, u"  AlphaBlendを設定しました。"_s}
                           << u"1/100/203x111"_s;
    QTest::newRow("alpha above 255") << true << u"@item alpha 300"_s << QStringList{} << u"1/220/203x111"_s;
    QTest::newRow("size wider") << false << u"@item size +50"_s
                                << QStringList{u"@item size +50"_s, u"  Width=253　Height=111設定しました。"_s}
                                << u"1/220/253x111"_s;
    QTest::newRow("size capped") << true << u"@item size 2000 300"_s
                                 << QStringList{u"@item size 2000 300"_s, u"  Width=1024　Height=300設定しました。"_s}
                                 << u"1/220/1024x300"_s;
    QTest::newRow("size beyond the screen") << true << u"@item size 100 +5000"_s
                                            << QStringList{u"@item size 100 +5000"_s, u"  Width=100　Height=768設定しました。"_s}
                                            << u"1/220/100x768"_s;
    QTest::newRow("search sizeable")
        << true << u"@item search sizeable"_s
        << QStringList{u"@item search sizeable"_s, u"  Width=203　Height=111設定しました。"_s,
                       u"『sizeable』で検索した結果0件のアイテムがみつかりました。"_s}
        << u"1/220/203x111"_s;
    QTest::newRow("size usage") << true << u"@item size"_s
                                << QStringList{u"@item size"_s, u"uses: @item size [横幅] [高さ]"_s, u"  Width=203　Height=111"_s}
                                << u"1/220/203x111"_s;
}

void TestItems::itemCommand()
{
    QFETCH(bool, shown);
    QFETCH(QString, text);
    Fixture f;
    FakeInfoOutput info;
    ScriptedPrompts prompts;
    ItemCommand command(f.state, f.host, info, f.status, prompts);
    command.SetItemWindows(&f.windows);
    f.windows.SetDistributionShown(shown);
    f.windows.SetByKindShown(shown);
    f.processor.ProcessActionText(L(A, u"a"_s, u"pickup"_s, u"剣(1)"_s), ProcessingMode::Live);
    command.Run(text);
    QTEST(info.lines, "info");
    const QSize s = f.windows.size;
    QTEST(QStringLiteral("%1/%2/%3x%4").arg(f.windows.distributionShown).arg(f.windows.alpha).arg(s.width()).arg(s.height()),
          "after");
    if (text == u"@item" && !shown) {
        QVERIFY(f.windows.byKindShown);
        QCOMPARE(Dump(f.windows.distribution.items), QString());
        QCOMPARE(Dump(f.windows.byKind.grid), QStringLiteral("Name/Item"));
    }
}

void TestItems::exportAndList()
{
    QTemporaryDir dir;
    Fixture f;
    f.state.programFolder = dir.path() + u'/';
    f.state.ownId = A;
    f.state.itemDb.Add(QStringLiteral("Note=\t不明\t不明\ta\tb"));
    FakeInfoOutput info;
    ScriptedPrompts prompts;
    ItemCommand command(f.state, f.host, info, f.status, prompts);
    command.SetItemWindows(&f.windows);
    f.windows.SetDistributionShown(true);
    f.processor.ProcessActionText(L(A, u"a"_s, u"pickup"_s, u"草(1)"_s), ProcessingMode::Live);
    QCOMPARE(f.state.itemPickups, 1);

    command.Run(QStringLiteral("@item clear output list"));
    QCOMPARE(f.state.itemPickups, 0);
    QCOMPARE(f.status.StatusText(), QStringLiteral("　アイテム:0　/　0 ペルカ (0)"));
    QCOMPARE(testfiles::ListFileLines(dir.filePath(u"ItemDB.TSV"_s)),
             (QStringList{u"武器\t☆07\t剣\t"_s, u"鉱石\t☆09\t石\t"_s, u"薬品・食材\t☆06\t草\t"_s, u"不明\t不明\tNote\ta b "_s}));
    QCOMPARE(f.host.RowTexts().mid(1), (QStringList{u"00:00:00|11111111|☆07|剣|$list"_s, u"00:00:00|11111111|☆09|石|$list"_s,
                                                    u"00:00:00|11111111|☆06|草|$list"_s, u"00:00:00|11111111|不明|Note|$list"_s}));
    f.host.Clear();
    command.Run(QStringLiteral("@item search note"));
    QCOMPARE(f.host.RowTexts(), QStringList{u"00:00:00|11111111|不明|Note|$list"_s});
}

QTEST_GUILESS_MAIN(TestItems)
#include "tst_items.moc"
