#include "app/ChatRowText.h"
#include "logs/ChatRowsModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

#include <stdexcept>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

LogLineRecord Rec(const QString &time, const QString &id, const QString &name, const QString &text, const QString &tag)
{
    return {time, id, name, text, tag};
}

QString Shown(const LogLineRecord &r)
{
    return r.time % u'|' % r.id % u'|' % r.name % u'|' % r.text % u'|' % r.tag;
}

QStringList ShownRows(const ChatRowsModel &model)
{
    QStringList rows;
    for (int i = 0; i < model.Count(); ++i)
        rows.append(Shown(model.Row(i)));
    return rows;
}

} // namespace

// The chat view's rows: storage, colours from the tag, batches and the one sort; and the
// texts built from rows for copies and menu captions.
class TestChatRowsModel : public QObject
{
    Q_OBJECT

private slots:
    void rowsKeepTheirTexts();
    void rowsKeepTheirTextsAcrossBlocks_data();
    void rowsKeepTheirTextsAcrossBlocks();
    void manyTagsKeptApart();
    void clearKeepsRowsStillStaged();
    void longPartsOfDamagedLines();
    void noSuchRow();
    void colours_data();
    void colours();
    void batchesAndSort();
    void copyLine_data();
    void copyLine();
    void itemNameAndCaptions();
};

void TestChatRowsModel::rowsKeepTheirTexts()
{
    ChatRowsModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    const LogLineRecord a{u"12:00:00"_qs, u"12345678"_qs, u"表示"_qs, u"text with\ttab"_qs, u"<Public>"_qs};
    const LogLineRecord b{QString(), QString(), QString(), QString(1 << 20, u'x'), QString()};
    model.AppendRows({a, b});
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.columnCount(), 4);
    const LogLineRecord back = model.Row(0);
    QCOMPARE(back.time, a.time);
    QCOMPARE(back.id, a.id);
    QCOMPARE(back.name, a.name);
    QCOMPARE(back.text, a.text);
    QCOMPARE(back.tag, a.tag);
    QCOMPARE(model.Row(1).text.size(), qsizetype(1 << 20));
    QCOMPARE(model.index(0, ChatRowsModel::NameColumn).data().toString(), u"表示"_qs);
    QCOMPARE(model.index(0, 0).data(ChatRowsModel::TagRole).toString(), u"<Public>"_qs);
    QCOMPARE(model.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), u"時刻"_qs);
    QCOMPARE(model.headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(), u"Chat"_qs);
}

void TestChatRowsModel::rowsKeepTheirTextsAcrossBlocks_data()
{
    QTest::addColumn<QList<int>>("textLengths");
    // Row texts share large blocks; long ones get blocks of their own, and the rows
    // after them go on in the block before.
    QTest::newRow("short rows across many blocks") << QList<int>(20000, 40);
    QTest::newRow("empty texts") << QList<int>{0, 0, 3, 0};
    QTest::newRow("a long row among short ones") << QList<int>{10, 10000, 10, 10};
    QTest::newRow("rows longer than a block") << QList<int>{5, 40000, 5, 100000, 5};
    QTest::newRow("lengths that leave no room at a block's end") << QList<int>{8000, 8000, 8000, 8000, 8000, 3};
}

void TestChatRowsModel::rowsKeepTheirTextsAcrossBlocks()
{
    QFETCH(QList<int>, textLengths);
    ChatRowsModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    std::vector<LogLineRecord> rows;
    for (int i = 0; i < textLengths.size(); ++i) {
        const QString text = QString(textLengths[i], QChar(u'あ' + i % 50));
        rows.push_back(Rec(u"12:%1"_s.arg(i), QString::number(10000000 + i), u"名前%1"_s.arg(i), text,
                           i % 3 ? u"<Public>"_s : u"<Party>"_s));
    }
    // All but the last few in one batch, then those one by one.
    const size_t batch = rows.size() > 3 ? rows.size() - 3 : 0;
    model.AppendRows(std::vector<LogLineRecord>(rows.begin(), rows.begin() + qsizetype(batch)));
    for (size_t i = batch; i < rows.size(); ++i)
        model.AppendRow(rows[i]);

    QCOMPARE(model.Count(), int(rows.size()));
    for (int i = 0; i < model.Count(); ++i) {
        if (Shown(model.Row(i)) != Shown(rows[size_t(i)]))
            QFAIL(qPrintable(u"row %1"_s.arg(i)));
    }
    const int last = model.Count() - 1;
    QCOMPARE(model.data(model.index(last, ChatRowsModel::TextColumn), Qt::DisplayRole).toString(), rows.back().text);
    QCOMPARE(model.data(model.index(last, ChatRowsModel::IdColumn), Qt::DisplayRole).toString(), rows.back().id);
    QCOMPARE(model.data(model.index(last, ChatRowsModel::TimeColumn), ChatRowsModel::TagRole).toString(),
             rows.back().tag);
}

void TestChatRowsModel::manyTagsKeptApart()
{
    // More tags than the model's quick table has places, many of the same length and
    // ending: each row keeps its own.
    ChatRowsModel model;
    QStringList tags;
    for (int i = 0; i < 300; ++i)
        tags.append(u"<K%1>"_s.arg(i, 3, 10, QChar(u'0')));
    tags.append(QString());
    std::vector<LogLineRecord> rows;
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < tags.size(); ++i) {
            const QString &tag = tags[(i * 7 + round) % tags.size()];
            rows.push_back(Rec(u"00:00:00"_s, {}, {}, tag, tag));
        }
    }
    model.AppendRows(rows);
    for (int i = 0; i < model.Count(); ++i) {
        const QVariant tag = model.data(model.index(i, ChatRowsModel::TextColumn), ChatRowsModel::TagRole);
        if (tag.toString() != rows[size_t(i)].tag)
            QFAIL(qPrintable(u"row %1: %2 for %3"_s.arg(i).arg(tag.toString(), rows[size_t(i)].tag)));
    }
}

void TestChatRowsModel::clearKeepsRowsStillStaged()
{
    // Clearing while a block is being processed: the rows staged so far outlive the
    // text blocks of the rows cleared.
    ChatRowsModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    std::vector<LogLineRecord> shown;
    for (int i = 0; i < 3000; ++i)
        shown.push_back(Rec(u"10:00:00"_s, u"old"_s, u"old"_s, QString(30, u'古'), u"<Public>"_s));
    model.AppendRows(shown);
    const LogLineRecord staged[] = {Rec(u"11:00:00"_s, u"11111111"_s, u"一"_s, QString(300, u'新'), u"<Party>"_s),
                                    Rec(u"11:00:01"_s, u"22222222"_s, u"二"_s, QString(20000, u'長'), u"<Guild>"_s)};
    for (const LogLineRecord &row : staged)
        model.Stage(ViewOf(row));
    model.Clear();
    QCOMPARE(model.Count(), 0);
    model.Stage(ViewOf(Rec(u"11:00:02"_s, u"33333333"_s, u"三"_s, u"after"_s, u"<Public>"_s)));
    model.CommitStaged();
    QCOMPARE(ShownRows(model), (QStringList{Shown(staged[0]), Shown(staged[1]),
                                            u"11:00:02|33333333|三|after|<Public>"_s}));
}

void TestChatRowsModel::longPartsOfDamagedLines()
{
    // Time, ID and name are kept short unless a line is damaged; such lines keep all of
    // their parts too, at the edge of the short form and beyond it.
    ChatRowsModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    const LogLineRecord rows[] = {
        Rec(QString(65534, u't'), QString(65534, u'i'), QString(65534, u'n'), u"short parts"_s, u"<A>"_s),
        Rec(QString(65535, u't'), u"1"_s, u"n"_s, u"long time"_s, u"<B>"_s),
        Rec(u"12:00:00"_s, QString(70000, u'i'), QString(), QString(100000, u'x'), u"<A>"_s),
        Rec(u"12:00:01"_s, u"2"_s, QString(65535, u'名'), QString(), u"<C>"_s),
        Rec(u"12:00:02"_s, u"3"_s, u"short"_s, u"after them"_s, u"<A>"_s),
    };
    for (const LogLineRecord &row : rows)
        model.Stage(ViewOf(row));
    model.CommitStaged();
    for (int i = 0; i < model.Count(); ++i) {
        QVERIFY(Shown(model.Row(i)) == Shown(rows[i]));
        QCOMPARE(model.data(model.index(i, ChatRowsModel::NameColumn), Qt::DisplayRole).toString(), rows[i].name);
    }
    // Staged when the rows are cleared: moved with their lengths.
    for (const LogLineRecord &row : rows)
        model.Stage(ViewOf(row));
    model.Clear();
    model.CommitStaged();
    QCOMPARE(model.Count(), int(std::size(rows)));
    for (int i = 0; i < model.Count(); ++i)
        QVERIFY(Shown(model.Row(i)) == Shown(rows[i]));
}

void TestChatRowsModel::noSuchRow()
{
    ChatRowsModel model;
    model.AppendRow(Rec(u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, model.Row(1));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, model.Row(-1));
    QVERIFY(!model.data(model.index(1, 0), Qt::DisplayRole).isValid());
}

void TestChatRowsModel::colours_data()
{
    QTest::addColumn<QString>("tag");
    QTest::addColumn<uint>("text");
    QTest::addColumn<QVariant>("background");
    QTest::addColumn<bool>("bold");
    QTest::newRow("command") << u"@who"_qs << 0xFF5555u << QVariant() << true;
    QTest::newRow("rare pick-up") << u"$pickup_rea"_qs << 0x000000u << QVariant(0xBBBBFFu) << false;
    QTest::newRow("pick-up") << u"$pickup"_qs << 0x00AA00u << QVariant() << false;
    QTest::newRow("sale") << u"$sell"_qs << 0xFF00FFu << QVariant() << false;
    QTest::newRow("purchase") << u"$buy"_qs << 0x3333FFu << QVariant() << false;
    QTest::newRow("put") << u"$put"_qs << 0xFF0077u << QVariant() << false;
    QTest::newRow("sent mail") << u"%<Send>"_qs << 0x000000u << QVariant(0xFFBBBBu) << false;
    QTest::newRow("received mail") << u"%<Recv>"_qs << 0x000000u << QVariant(0xBBDDFFu) << false;
    QTest::newRow("public") << u"<Public>"_qs << 0x808080u << QVariant() << false;
    QTest::newRow("other") << u"<Party>"_qs << 0x000000u << QVariant() << false;
    QTest::newRow("web link") << u"@http"_qs << 0xFF5555u << QVariant() << true;
}

void TestChatRowsModel::colours()
{
    QFETCH(QString, tag);
    QFETCH(uint, text);
    QFETCH(QVariant, background);
    QFETCH(bool, bold);
    ChatRowsModel model;
    model.AppendRow({u"12:00:00"_qs, u"12345678"_qs, u"Taro"_qs, u"hello"_qs, tag});
    const QModelIndex cell = model.index(0, ChatRowsModel::TextColumn);
    QCOMPARE(cell.data(ChatRowsModel::TextColourRole).toUInt(), text);
    QCOMPARE(cell.data(ChatRowsModel::BackgroundColourRole).isValid(), background.isValid());
    if (background.isValid())
        QCOMPARE(cell.data(ChatRowsModel::BackgroundColourRole).toUInt(), background.toUInt());
    QCOMPARE(cell.data(ChatRowsModel::BoldRole).toBool(), bold);
    // ID and name are black; the time keeps the view's colours.
    QCOMPARE(model.index(0, ChatRowsModel::IdColumn).data(ChatRowsModel::TextColourRole).toUInt(), 0u);
    QVERIFY(!model.index(0, ChatRowsModel::TimeColumn).data(ChatRowsModel::TextColourRole).isValid());
}

void TestChatRowsModel::batchesAndSort()
{
    ChatRowsModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    model.Stage({u"12:00:02"_qs, {}, {}, u"c"_qs, u"<Public>"_qs});
    model.Stage({u"12:00:00"_qs, {}, {}, u"a"_qs, u"%<Recv>"_qs});
    model.Stage({u"12:00:01"_qs, {}, {}, u"b"_qs, u"<Public>"_qs});
    QCOMPARE(model.rowCount(), 0); // staged rows are not shown before the commit
    model.CommitStaged();
    QCOMPARE(inserted.size(), 1);
    QCOMPARE(inserted.first().at(1).toInt(), 0);
    QCOMPARE(inserted.first().at(2).toInt(), 2);
    model.CommitStaged(); // nothing staged: no notification
    QCOMPARE(inserted.size(), 1);
    model.SortByTime();
    QCOMPARE(model.Row(0).text, u"a"_qs);
    QCOMPARE(model.Row(0).tag, u"%<Recv>"_qs);
    QCOMPARE(model.Row(2).text, u"c"_qs);
    model.AppendRow({u"11:00:00"_qs, {}, {}, u"later"_qs, {}});
    QCOMPARE(model.Row(3).text, u"later"_qs); // appended rows are not sorted in
    model.Clear();
    QCOMPARE(model.rowCount(), 0);
}

void TestChatRowsModel::copyLine_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("line");
    QTest::newRow("short name: 18 blanks in pairs")
        << u"ab"_qs << u"hi"_qs << u"12:00:00　12345678　ab"_qs + QString(9, u'\u3000') + u"hi"_qs;
    QTest::newRow("odd filling leaves one blank")
        << u"abc"_qs << u"hi"_qs << u"12:00:00　12345678　abc"_qs + QString(8, u'\u3000') + u" hi"_qs;
    QTest::newRow("double-width characters count 2") << u"表示名"_qs << u"x"_qs
                                                     << u"12:00:00　12345678　表示名"_qs + QString(7, u'\u3000') + u"x"_qs;
    QTest::newRow("name of 20 columns or more") << u"abcdefghijklmnopqrstu"_qs << u"x"_qs
                                                << u"12:00:00　12345678　abcdefghijklmnopqrstux"_qs;
    QTest::newRow("blank pairs in the text too") << u"abcdefghijklmnopqrst"_qs << u"a   b"_qs
                                                 << u"12:00:00　12345678　abcdefghijklmnopqrsta　 b"_qs;
}

void TestChatRowsModel::copyLine()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QString, line);
    QCOMPARE(kiv::rows::CopyLine({u"12:00:00"_qs, u"12345678"_qs, name, text, u"<Public>"_qs}), line);
}

void TestChatRowsModel::itemNameAndCaptions()
{
    QCOMPARE(kiv::rows::ItemNameOfText(u"abc(3)"_qs), u"abc"_qs);
    QCOMPARE(kiv::rows::ItemNameOfText(u"no count"_qs), u"no count"_qs);
    QCOMPARE(kiv::rows::ItemNameOfText(u"(3)"_qs), QString());
    QCOMPARE(kiv::rows::OpenIdCaption(u"12345678"_qs), u"ID:12345678 を開く(&O)"_qs);
    QCOMPARE(kiv::rows::OpenItemCaption(u"鉄の剣"_qs), u"Item:『鉄の剣』を開く(&I)"_qs);
    QCOMPARE(kiv::rows::OpenItemCaption(QString()), u"Item: を開く(&I)"_qs);
}

QTEST_GUILESS_MAIN(TestChatRowsModel)
#include "tst_chatrowsmodel.moc"
