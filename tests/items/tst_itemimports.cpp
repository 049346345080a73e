#include "core/strDBListUniU.h"
#include "items/ItemImports.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestItemImports : public QObject
{
    Q_OBJECT
private slots:
    void rarities_data();
    void rarities();
    void table_data();
    void table();
};

namespace {

const QString kSword = u"剣=\t武器\t☆03\tメモ"_s;
const QString kShield = u"盾=\t不明\t不明"_s;

void Columns()
{
    QTest::addColumn<QStringList>("db");
    QTest::addColumn<QStringList>("file");
    QTest::addColumn<QStringList>("after");
}

} // namespace

void TestItemImports::rarities_data()
{
    Columns();
    const QStringList db{kSword};
    QTest::newRow("new item") << db << QStringList{u"7,X"_s} << QStringList{kSword, u"X=\t不明\t☆07"_s};
    QTest::newRow("known item: category and note stay")
        << db << QStringList{u"12,剣,extra"_s} << QStringList{u"剣=\t武器\t☆12\tメモ"_s};
    QTest::newRow("known item, name in other case")
        << QStringList{u"sword=\t武器\t☆01"_s} << QStringList{u"2,SWORD"_s} << QStringList{u"sword=\t武器\t☆02"_s};
    QTest::newRow("0, no number, negative: unknown")
        << db << QStringList{u"0,A"_s, u"x,B"_s, u"-5,C"_s, u"3,剣"_s, u"abc,剣"_s}
        << QStringList{u"剣=\t武器\t不明\tメモ"_s, u"A=\t不明\t不明"_s, u"B=\t不明\t不明"_s, u"C=\t不明\t不明"_s};
    QTest::newRow("three digits") << QStringList() << QStringList{u"100,X"_s} << QStringList{u"X=\t不明\t☆100"_s};
    QTest::newRow("quoted name with comma and quote")
        << QStringList() << QStringList{u"\"7\",\"A,\"\"B\"\"\""_s} << QStringList{u"A,\"B\"=\t不明\t☆07"_s};
    QTest::newRow("comments, too few fields, unusable names")
        << db << QStringList{u";7,X"_s, u"7"_s, u"7,"_s, u"7,a=b"_s, u"7,a\tb"_s} << db;
    QTest::newRow("empty category keeps the note") << QStringList{u"盾=\t\t☆03\tメモ"_s} << QStringList{u"5,盾"_s}
                                                   << QStringList{u"盾=\t\t☆05\tメモ"_s};
}

void TestItemImports::rarities()
{
    QFETCH(QStringList, db);
    QFETCH(QStringList, file);
    TStrDBListUni list;
    list.Assign(db);
    kiv::imports::MergeItemRarities(list, file);
    QTEST(list.Lines(), "after");
    // Importing the same file again adds nothing more.
    const QStringList once = list.Lines();
    kiv::imports::MergeItemRarities(list, file);
    QCOMPARE(list.Lines(), once);
}

void TestItemImports::table_data()
{
    Columns();
    const QStringList db{kSword, kShield};
    QTest::newRow("export of @item output") << QStringList() << QStringList{u"武器\t☆07\t剣\ta b "_s, u"防具\t不明\t盾"_s}
                                            << QStringList{u"剣=\t武器\t☆07\ta b "_s, u"盾=\t防具\t不明"_s};
    QTest::newRow("known category stays, rarity and note from the entry")
        << db << QStringList{u"防具\t☆05\t剣\tnew"_s} << QStringList{u"剣=\t武器\t☆05\tメモ"_s, kShield};
    QTest::newRow("unknown category taken, trimmed")
        << db << QStringList{u" 防具 \t★2つ\t盾"_s} << QStringList{kSword, u"盾=\t防具\t☆02"_s};
    QTest::newRow("rarity 0 overwrites") << db << QStringList{u"武器\t不明\t剣"_s}
                                         << QStringList{u"剣=\t武器\t不明\tメモ"_s, kShield};
    QTest::newRow("empty category becomes unknown")
        << QStringList() << QStringList{u"\t☆08\tX\tn"_s} << QStringList{u"X=\t不明\t☆08\tn"_s};
    QTest::newRow("comments, too few fields, unusable names")
        << db << QStringList{u";武器\t☆07\tX"_s, u"武器\t☆07"_s, u"武器\t☆07\t"_s, u"武器\t☆07\tX=Y"_s} << db;
}

void TestItemImports::table()
{
    QFETCH(QStringList, db);
    QFETCH(QStringList, file);
    TStrDBListUni list;
    list.Assign(db);
    kiv::imports::MergeItemTable(list, file);
    QTEST(list.Lines(), "after");
}

QTEST_GUILESS_MAIN(TestItemImports)
#include "tst_itemimports.moc"
