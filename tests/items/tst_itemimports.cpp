#include "core/strDBListUniU.h"
#include "items/ItemImports.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kSword = u"剣=\t武器\t☆03\tメモ"_s;
const QString kShield = u"盾=\t不明\t不明"_s;
const QString kBoth = kSword + u'\n' + kShield;

// Lines given as one text, "\n" between them.
QStringList L(const QString &lines)
{
    return lines.isEmpty() ? QStringList() : lines.split(u'\n');
}

} // namespace

// One table for both imports: the file's lines merged into the database's.
class TestItemImports : public QObject
{
    Q_OBJECT
private slots:
    void merge_data();
    void merge();
};

void TestItemImports::merge_data()
{
    QTest::addColumn<bool>("table"); // "ItemDB.TSV", else "KIV_Item.dat"
    QTest::addColumn<QString>("db");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("after");

    QTest::newRow("rarity: new item") << false << kSword << u"7,X"_s << kSword + u"\nX=\t不明\t☆07"_s;
    QTest::newRow("rarity: category and note stay") << false << kSword << u"12,剣,extra"_s << u"剣=\t武器\t☆12\tメモ"_s;
    QTest::newRow("rarity: name in other case") << false << u"sword=\t武器\t☆01"_s << u"2,SWORD"_s
                                                << u"sword=\t武器\t☆02"_s;
    QTest::newRow("rarity: 0, no number, negative") << false << kSword << u"0,A\nx,B\n-5,C\n3,剣\nabc,剣"_s
                                                    << u"剣=\t武器\t不明\tメモ\nA=\t不明\t不明\nB=\t不明\t不明\nC=\t不明\t不明"_s;
    QTest::newRow("rarity: three digits") << false << u""_s << u"100,X"_s << u"X=\t不明\t☆100"_s;
    QTest::newRow("rarity: quoted name") << false << u""_s << u"\"7\",\"A,\"\"B\"\"\""_s << u"A,\"B\"=\t不明\t☆07"_s;
    QTest::newRow("rarity: skipped lines") << false << kSword << u";7,X\n7\n7,\n7,a=b\n7,a\tb"_s << kSword;
    QTest::newRow("rarity: empty category keeps the note") << false << u"盾=\t\t☆03\tメモ"_s << u"5,盾"_s
                                                           << u"盾=\t\t☆05\tメモ"_s;
    QTest::newRow("table: export of @item output") << true << u""_s << u"武器\t☆07\t剣\ta b \n防具\t不明\t盾"_s
                                                   << u"剣=\t武器\t☆07\ta b \n盾=\t防具\t不明"_s;
    QTest::newRow("table: known category and note stay") << true << kBoth << u"防具\t☆05\t剣\tnew"_s
                                                         << u"剣=\t武器\t☆05\tメモ\n"_s + kShield;
    QTest::newRow("table: unknown category taken") << true << kBoth << u" 防具 \t★2つ\t盾"_s
                                                   << kSword + u"\n盾=\t防具\t☆02"_s;
    QTest::newRow("table: rarity 0 overwrites") << true << kBoth << u"武器\t不明\t剣"_s
                                                << u"剣=\t武器\t不明\tメモ\n"_s + kShield;
    QTest::newRow("table: empty category") << true << u""_s << u"\t☆08\tX\tn"_s << u"X=\t不明\t☆08\tn"_s;
    QTest::newRow("table: skipped lines") << true << kBoth << u";武器\t☆07\tX\n武器\t☆07\n武器\t☆07\t\n武器\t☆07\tX=Y"_s
                                          << kBoth;
}

void TestItemImports::merge()
{
    QFETCH(bool, table);
    QFETCH(QString, db);
    QFETCH(QString, file);
    TStrDBListUni list;
    list.Assign(L(db));
    const auto merge = table ? &kiv::imports::MergeItemTable : &kiv::imports::MergeItemRarities;
    merge(list, L(file));
    QTEST(list.Lines().join(u'\n'), "after");
    // The same file again adds no entry.
    const qsizetype once = list.Count();
    merge(list, L(file));
    QCOMPARE(list.Count(), once);
}

QTEST_GUILESS_MAIN(TestItemImports)
#include "tst_itemimports.moc"
