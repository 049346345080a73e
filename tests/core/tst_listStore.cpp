#include "core/strDBListUniU.h"

#include "platform/SafeSave.h"
#include "support/FailingDevice.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <iterator>
#include <map>

using namespace Qt::Literals::StringLiterals;

namespace {

TStrDBListUni ListOf(const QStringList &lines)
{
    TStrDBListUni list;
    for (const QString &line : lines)
        list.Add(line);
    return list;
}

QByteArray Utf16Be(const QString &text)
{
    QByteArray bytes("\xFE\xFF", 2);
    for (const QChar c : text) {
        bytes.append(char(c.unicode() >> 8));
        bytes.append(char(c.unicode() & 0xFF));
    }
    return bytes;
}

// Lines as a sorted load keeps them: in the Japanese order (kanji by their JIS order,
// after the kana), case ignored, and lines that only look alike (full-width and
// half-width, hiragana and katakana) both kept.
struct SortCase
{
    QStringList file;
    QStringList loaded;
};

} // namespace

class TestListStore : public QObject
{
    Q_OBJECT
private slots:
    void init();

    void getValue_data();
    void getValue();
    void getField_data();
    void getField();
    void valueContains_data();
    void valueContains();
    void addField_data();
    void addField();
    void setField_data();
    void setField();
    void replaceField_data();
    void replaceField();
    void deleteEntry();
    void indexAgreesWithAScan_data();
    void indexAgreesWithAScan();
    void indexAgreesWithAScanOverManyKeys();
    void keyIndexKeepsEveryKeyReachable();
    void everyCharacterIsFoundAsItsFolding();
    void listKeys();
    void findKeysByText_data();
    void findKeysByText();
    void splitFields_data();
    void splitFields();
    void splitCsv_data();
    void splitCsv();

    void sortedLoad_data();
    void sortedLoad();
    void sortedAddAgreesWithLoad_data();
    void sortedAddAgreesWithLoad();
    void unsortedAfterLoadAppends();

    void encodingsLoadToTheSameList_data();
    void encodingsLoadToTheSameList();
    void saveWritesUtf16WithCrLf_data();
    void saveWritesUtf16WithCrLf();
    void saveFailingPartWayLeavesTheOldFile();
    void failedLoadLeavesTheListAsItWas_data();
    void failedLoadLeavesTheListAsItWas();
    void unreadableFileIsNeverOverwritten();

private:
    QString Path(const QString &name = u"Whois.lst"_s) const { return m_dir->filePath(name); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestListStore::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestListStore::getValue_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");

    QTest::newRow("case ignored") << QStringList{u"abc=\tx"_s} << u"ABC"_s << u"\tx"_s;
    QTest::newRow("first match wins") << QStringList{u"a=\t1"_s, u"A=\t2"_s} << u"a"_s << u"\t1"_s;
    QTest::newRow("value keeps later =") << QStringList{u"k=\ta=b"_s} << u"K"_s << u"\ta=b"_s;
    QTest::newRow("line without = is never found") << QStringList{u"abc"_s} << u"abc"_s << QString();
    QTest::newRow("empty key is never found") << QStringList{u"=\tx"_s} << QString() << QString();
    QTest::newRow("longer key is no match") << QStringList{u"abcd=\t1"_s} << u"abc"_s << QString();
    QTest::newRow("blanks are part of the key") << QStringList{u"abc =\t1"_s} << u"abc"_s << QString();
    QTest::newRow("full-width letters fold") << QStringList{u"ＡＢＣ=\t1"_s} << u"ａｂｃ"_s << u"\t1"_s;
    QTest::newRow("greek and cyrillic fold") << QStringList{u"ΣД=\t1"_s} << u"σд"_s << u"\t1"_s;
    QTest::newRow("letters beyond the first plane fold") << QStringList{u"𐐀=\t1"_s} << u"𐐨"_s << u"\t1"_s;
    QTest::newRow("full-width is not half-width") << QStringList{u"ＡＢＣ=\t1"_s} << u"abc"_s << QString();
    QTest::newRow("hiragana is not katakana") << QStringList{u"あ=\t1"_s} << u"ア"_s << QString();
    QTest::newRow("voiced kana is another letter") << QStringList{u"か=\t1"_s} << u"が"_s << QString();
    QTest::newRow("empty value") << QStringList{u"k="_s} << u"k"_s << u""_s;
}

void TestListStore::getValue()
{
    QFETCH(QStringList, lines);
    QFETCH(QString, key);
    QFETCH(QString, value);
    const TStrDBListUni list = ListOf(lines);
    QCOMPARE(GetValue(key, list), value);
    QCOMPARE(list.IndexOfKey(key) >= 0, !value.isNull());
}

void TestListStore::getField_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("field");

    QTest::newRow("first") << u"\ta\tb\tc"_s << 0 << u"a"_s;
    QTest::newRow("last") << u"\ta\tb\tc"_s << 2 << u"c"_s;
    QTest::newRow("one past the last") << u"\ta\tb\tc"_s << 3 << QString();
    QTest::newRow("far past the last") << u"\ta\tb\tc"_s << 5 << QString();
    QTest::newRow("negative") << u"\ta\tb"_s << -1 << QString();
    QTest::newRow("leading empty field trimmed away") << u"\t\tb\tc"_s << 0 << u"b"_s;
    QTest::newRow("empty field between keeps its number") << u"\ta\t\tc"_s << 2 << u"c"_s;
    QTest::newRow("the empty field itself") << u"\ta\t\tc"_s << 1 << u""_s;
    QTest::newRow("trailing empty field disappears") << u"\ta\tb\t"_s << 2 << QString();
    QTest::newRow("blanks trimmed at both ends") << u" \ta b \t "_s << 0 << u"a b"_s;
    QTest::newRow("line break ends a field") << u"\ta\r\nb"_s << 1 << u"b"_s;
    QTest::newRow("full-width blank is text") << u"\t\u3000x"_s << 0 << u"\u3000x"_s;
}

void TestListStore::getField()
{
    QFETCH(QString, value);
    QFETCH(int, n);
    QFETCH(QString, field);
    const TStrDBListUni list = ListOf({u"x=\t0"_s, u"Key=" + value});
    QCOMPARE(GetField(u"KEY"_s, n, list), field.isNull() ? u""_s : field);
    QCOMPARE(GetField(u"missing"_s, 0, list), QString());
}

void TestListStore::valueContains_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("contained");

    QTest::newRow("inside a field") << u"12345678"_s << u"ob"_s << true;
    QTest::newRow("across fields") << u"12345678"_s << u"Bob\tAl"_s << true;
    QTest::newRow("key case ignored") << u"12345678"_s << u"Bob"_s << true;
    QTest::newRow("text case counts") << u"12345678"_s << u"BOB"_s << false;
    QTest::newRow("empty text") << u"12345678"_s << u""_s << false;
    QTest::newRow("the key is not the value") << u"12345678"_s << u"1234"_s << false;
    QTest::newRow("missing key") << u"87654321"_s << u"Bob"_s << false;
}

void TestListStore::valueContains()
{
    QFETCH(QString, key);
    QFETCH(QString, text);
    QFETCH(bool, contained);
    const TStrDBListUni list = ListOf({u"12345678=\tBob\tAlice"_s});
    QCOMPARE(ValueContains(key, text, list), contained);
}

void TestListStore::addField_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("present");
    QTest::addColumn<QStringList>("after");

    QTest::newRow("new entry at the end")
        << QStringList{u"0=\tz"_s} << u"12345678"_s << u"Bob"_s << false
        << QStringList{u"0=\tz"_s, u"12345678=\tBob"_s};
    QTest::newRow("already there") << QStringList{u"12345678=\tBob"_s} << u"12345678"_s << u"Bob"_s << true
                                   << QStringList{u"12345678=\tBob"_s};
    QTest::newRow("start of a field counts as there")
        << QStringList{u"12345678=\tBob"_s} << u"12345678"_s << u"Bo"_s << true << QStringList{u"12345678=\tBob"_s};
    QTest::newRow("end of a field is not there")
        << QStringList{u"12345678=\tBob"_s} << u"12345678"_s << u"ob"_s << false
        << QStringList{u"12345678=\tBob\tob"_s};
    QTest::newRow("appended in place, case of the key ignored")
        << QStringList{u"ABC=\ty"_s, u"z=\t1"_s} << u"abc"_s << u"x"_s << false
        << QStringList{u"ABC=\ty\tx"_s, u"z=\t1"_s};
    QTest::newRow("found after a place without a TAB before it")
        << QStringList{u"1=\txBob\tBob"_s} << u"1"_s << u"Bob"_s << true << QStringList{u"1=\txBob\tBob"_s};
    QTest::newRow("at the start of a value without a TAB")
        << QStringList{u"1=Bob"_s} << u"1"_s << u"Bob"_s << false << QStringList{u"1=Bob\tBob"_s};
    QTest::newRow("empty text, a TAB in the value") << QStringList{u"1=a\tb"_s} << u"1"_s << QString() << true
                                                     << QStringList{u"1=a\tb"_s};
    QTest::newRow("empty text, no TAB") << QStringList{u"1=ab"_s} << u"1"_s << QString() << false
                                        << QStringList{u"1=ab\t"_s};
}

void TestListStore::addField()
{
    QFETCH(QStringList, before);
    QFETCH(QString, key);
    QFETCH(QString, text);
    QFETCH(bool, present);
    QFETCH(QStringList, after);
    TStrDBListUni list = ListOf(before);
    QCOMPARE(AddField(key, text, list), present);
    QCOMPARE(list.Lines(), after);
}

void TestListStore::setField_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("unchanged");
    QTest::addColumn<QString>("after");

    QTest::newRow("rank of an ID note") << u"id=\t1\t1\t0\t0\t0\tnote"_s << 1 << u"8"_s << false
                                        << u"id=\t1\t8\t0\t0\t0\tnote"_s;
    QTest::newRow("first field") << u"id=\ta\tb"_s << 0 << u"z"_s << false << u"id=\tz\tb"_s;
    QTest::newRow("numbered after trimming") << u"id=\t\tb\tc"_s << 0 << u"z"_s << false << u"id=\t\tz\tc"_s;
    QTest::newRow("empty field in the middle") << u"id=\ta\t\tc"_s << 1 << u"z"_s << false << u"id=\ta\tz\tc"_s;
    QTest::newRow("trailing TAB kept") << u"id=\ta\tb\t"_s << 1 << u"z"_s << false << u"id=\ta\tz\t"_s;
    QTest::newRow("emptied") << u"id=\ta\tb\tc"_s << 1 << u""_s << false << u"id=\ta\t\tc"_s;
    QTest::newRow("same text as another field") << u"id=\tb\tb"_s << 1 << u"c"_s << false << u"id=\tb\tc"_s;
    QTest::newRow("exactly n fields") << u"id=\ta\tb\tc"_s << 3 << u"z"_s << true << u"id=\ta\tb\tc"_s;
    QTest::newRow("fewer fields") << u"id=\ta\tb\tc"_s << 5 << u"z"_s << true << u"id=\ta\tb\tc"_s;
    QTest::newRow("no fields") << u"id=\t"_s << 0 << u"z"_s << true << u"id=\t"_s;
    QTest::newRow("negative") << u"id=\ta"_s << -1 << u"z"_s << true << u"id=\ta"_s;
}

void TestListStore::setField()
{
    QFETCH(QString, line);
    QFETCH(int, n);
    QFETCH(QString, text);
    QFETCH(bool, unchanged);
    QFETCH(QString, after);
    TStrDBListUni list = ListOf({u"a=\t1"_s, line, u"b=\t2"_s});
    QCOMPARE(SetField(u"ID"_s, n, text, list), unchanged);
    QCOMPARE(list.Lines(), (QStringList{u"a=\t1"_s, after, u"b=\t2"_s}));
    QVERIFY(SetField(u"missing"_s, 0, text, list));
}

void TestListStore::replaceField_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("oldText");
    QTest::addColumn<QString>("newText");
    QTest::addColumn<QString>("after");

    QTest::newRow("TAB + text, not inside a field") << u"k=\tab\tb"_s << u"b"_s << u"z"_s << u"k=\tab\tz"_s;
    QTest::newRow("first of two") << u"k=\tb\tb"_s << u"b"_s << u"z"_s << u"k=\tz\tb"_s;
    QTest::newRow("start of a field") << u"k=\tab\tb"_s << u"a"_s << u"z"_s << u"k=\tzb\tb"_s;
    QTest::newRow("not there") << u"k=\tab"_s << u"q"_s << u"z"_s << u"k=\tab"_s;
    QTest::newRow("longer and shorter") << u"k=\tone\ttwo"_s << u"one"_s << u"eleven"_s << u"k=\televen\ttwo"_s;
    QTest::newRow("across fields") << u"k=\ta\tb\tc"_s << u"a\tb"_s << u"x"_s << u"k=\tx\tc"_s;
}

void TestListStore::replaceField()
{
    QFETCH(QString, line);
    QFETCH(QString, oldText);
    QFETCH(QString, newText);
    QFETCH(QString, after);
    TStrDBListUni list = ListOf({line});
    QVERIFY(!ReplaceField(KeyOfLine(line), oldText, newText, list));
    QCOMPARE(list.Lines(), QStringList{after});
    QVERIFY(ReplaceField(u"missing"_s, oldText, newText, list));
    QCOMPARE(list.Lines(), QStringList{after});
}

void TestListStore::deleteEntry()
{
    TStrDBListUni list = ListOf({u"a=\t1"_s, u"noequals"_s, u"A=\t2"_s, u"b=\t3"_s});
    QVERIFY(DeleteEntry(u"A"_s, list));
    QCOMPARE(list.Lines(), (QStringList{u"noequals"_s, u"A=\t2"_s, u"b=\t3"_s}));
    QVERIFY(!DeleteEntry(u"noequals"_s, list));
    QVERIFY(!DeleteEntry(u"c"_s, list));
    QCOMPARE(list.Count(), 3);
}

// The first line whose key matches, case ignored, found the slow way.
static qsizetype ScanForKey(const TStrDBListUni &list, const QString &key)
{
    for (qsizetype i = 0; i < list.Count(); ++i) {
        const QStringView k = KeyOfLine(list.Line(i));
        if (!key.isEmpty() && !k.isEmpty() && k.compare(key, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

void TestListStore::indexAgreesWithAScan_data()
{
    // Each step: add:LINE, sorted:0|1, del:KEY, set:KEY:N:TEXT, replace:KEY:OLD:NEW,
    // field:KEY:TEXT, line:I:LINE, remove:I, clear, assign:LINE|LINE…, reserve:N; "~" at the
    // end of a step: see below.
    QTest::addColumn<QStringList>("steps");
    QTest::newRow("appends, first of equal keys")
        << QStringList{u"add:a=\t1"_s, u"add:A=\t2"_s, u"add:b=\t3"_s, u"add:noequals"_s, u"add:=\tz"_s};
    QTest::newRow("deleting the first lets the next take over")
        << QStringList{u"add:a=\t1"_s, u"add:b=\t2"_s, u"add:A=\t3"_s, u"del:a"_s, u"del:B"_s};
    QTest::newRow("deleting the last line")
        << QStringList{u"add:a=\t1"_s, u"add:b=\t2"_s, u"del:b"_s, u"add:B=\t9"_s, u"remove:1"_s};
    QTest::newRow("sorted adds move lines")
        << QStringList{u"sorted:1"_s, u"add:m=\t1"_s, u"add:c=\t2"_s, u"add:x=\t3"_s, u"add:C=\t4"_s,
                       u"sorted:0"_s, u"add:a=\t5"_s};
    QTest::newRow("edits in place keep or change keys")
        << QStringList{u"add:a=\t1\t2"_s, u"add:b=\tx"_s, u"set:A:1:9"_s, u"replace:B:x:y"_s, u"field:b:z"_s,
                       u"field:c:new"_s, u"line:0:b=\tmoved"_s, u"line:1:q=\tq"_s, u"line:2:nokey"_s};
    QTest::newRow("remove from the middle, clear, assign")
        << QStringList{u"add:a=\t1"_s, u"add:b=\t2"_s, u"add:c=\t3"_s, u"remove:0"_s, u"clear"_s,
                       u"add:z=\t1"_s, u"assign:y=\t1|Y=\t2|z=\t3"_s, u"add:zz=\t4"_s};
    QTest::newRow("room made before adds, after an assign and while sorted")
        << QStringList{u"assign:a=\t1|b=\t2~"_s, u"reserve:3~"_s, u"add:A=\t3"_s, u"add:c=\t4"_s, u"sorted:1"_s,
                       u"reserve:2"_s, u"add:0=\t5"_s, u"sorted:0"_s, u"remove:0~"_s, u"reserve:1"_s, u"add:d=\t6"_s};
    QTest::newRow("folding beyond ASCII")
        << QStringList{u"add:ＡＢＣ=\t1"_s, u"add:ΣД=\t2"_s, u"add:𐐀=\t3"_s, u"del:ａｂｃ"_s, u"add:σд=\t4"_s};
}

void TestListStore::indexAgreesWithAScan()
{
    QFETCH(QStringList, steps);
    TStrDBListUni list;
    QStringList probes{u"missing"_s, u"a=b"_s, QString()};
    for (QString step : steps) {
        // "~" at the end: no lookups after this step, so the next one meets the index as
        // this one left it.
        const bool look = !step.endsWith(u'~');
        if (!look)
            step.chop(1);
        const QStringList p = step.split(u':');
        const QString op = p[0];
        const QString rest = step.mid(op.size() + 1);
        if (op == u"add") {
            list.Add(rest);
        } else if (op == u"sorted") {
            list.SetSorted(rest == u"1");
        } else if (op == u"del") {
            DeleteEntry(rest, list);
        } else if (op == u"set") {
            SetField(p[1], p[2].toInt(), p[3], list);
        } else if (op == u"replace") {
            ReplaceField(p[1], p[2], p[3], list);
        } else if (op == u"field") {
            AddField(p[1], p[2], list);
        } else if (op == u"line") {
            list.SetLine(p[1].toInt(), step.section(u':', 2));
        } else if (op == u"remove") {
            list.RemoveAt(rest.toInt());
        } else if (op == u"clear") {
            list.Clear();
        } else if (op == u"assign") {
            list.Assign(rest.split(u'|'));
        } else if (op == u"reserve") {
            list.Reserve(rest.toInt());
        }
        for (const QString &line : list.Lines()) {
            const QString key = KeyOfLine(line).toString();
            probes << key << key.toUpper() << key.toLower();
        }
        if (!look)
            continue;
        for (const QString &key : std::as_const(probes))
            QVERIFY2(list.IndexOfKey(key) == ScanForKey(list, key), qPrintable(step + u" / "_s + key));
    }
}

void TestListStore::indexAgreesWithAScanOverManyKeys()
{
    // Enough keys to grow the index many times and to fill runs of neighbouring slots;
    // removing last lines takes keys out of the middle of such runs.
    TStrDBListUni list;
    quint32 seed = 7;
    const auto next = [&seed] { return seed = seed * 1103515245u + 12345u, seed >> 8; };
    const auto keyOf = [](quint32 n) { return u"%1%2"_s.arg(n % 2 ? u'k' : u'K').arg(n % 5000); };
    for (int step = 1; step <= 6000; ++step) {
        const quint32 r = next() % 10;
        if (r < 6 || list.Count() == 0) {
            list.Add(u"%1=\t%2"_s.arg(keyOf(next())).arg(step));
        }
        else if (r < 9)
            list.RemoveAt(list.Count() - 1);
        else
            list.Reserve(qsizetype(next() % 700));
        if (step % 1000 != 0)
            continue;
        for (quint32 n = 0; n < 5000; ++n) {
            const QString key = keyOf(n);
            QVERIFY2(list.IndexOfKey(key) == ScanForKey(list, key), qPrintable(key));
        }
    }
}

void TestListStore::keyIndexKeepsEveryKeyReachable()
{
    // Hashes of a few values at both ends of the table, so that keys pile up in runs,
    // some wrapping around its end; removals in any order (a list removes only its last
    // line, but a grown index no longer holds its keys in the order they came) must leave
    // every other key reachable from its home slot.
    ListKeyIndex index;
    std::map<qsizetype, size_t> expected; // line -> hash of its key; every line its own key
    quint32 seed = 3;
    const auto next = [&seed] { return seed = seed * 1103515245u + 12345u, seed >> 8; };
    qsizetype lines = 0;
    for (int step = 0; step < 20000; ++step) {
        if (next() % 2 == 0 || expected.empty()) {
            const size_t low = next() % 16;
            const size_t hash = next() % 2 ? low : ~low;
            index.Insert(hash, lines, [](qsizetype) { return false; });
            expected[lines++] = hash;
        } else {
            const auto it = std::next(expected.begin(), qsizetype(next() % expected.size()));
            index.Remove(it->second, it->first);
            expected.erase(it);
        }
        QCOMPARE(index.Count(), qsizetype(expected.size()));
        if (step % 50 != 0)
            continue;
        for (const auto &[line, hash] : expected)
            QCOMPARE(index.Find(hash, [line = line](qsizetype at) { return at == line; }), line);
        QCOMPARE(index.Find(~size_t(0) - 100, [](qsizetype) { return true; }), qsizetype(-1));
    }
}

void TestListStore::everyCharacterIsFoundAsItsFolding()
{
    // A key of each character of the first plane, looked up as itself: found where its
    // case folding is, whichever way the lookup takes.
    TStrDBListUni list;
    QHash<QString, qsizetype> firstOfFolded;
    QStringList keys;
    for (char32_t u = 0x21; u <= 0xFFFF; ++u) {
        if (u == u'=' || (u >= 0xD800 && u <= 0xDFFF))
            continue;
        const QString key = QString(QChar(char16_t(u)));
        firstOfFolded.insert(key.toCaseFolded(), firstOfFolded.value(key.toCaseFolded(), list.Count()));
        list.Add(key + u"=\t1"_s);
        keys.append(key);
    }
    QString failures;
    for (const QString &key : std::as_const(keys)) {
        if (list.IndexOfKey(key) != firstOfFolded.value(key.toCaseFolded()))
            failures += QString::number(key.at(0).unicode(), 16) + u' ';
    }
    QVERIFY2(failures.isEmpty(), qPrintable(failures));
    list.Add(u"Player12345(10012345)=\t1"_s);
    QCOMPARE(list.IndexOfKey(u"player12345(10012345)"), list.Count() - 1);
}

void TestListStore::listKeys()
{
    const TStrDBListUni list = ListOf({u"b=\t1"_s, u"no key"_s, u"=\tz"_s, u"a=c=d"_s});
    QStringList keys{u"left over"_s};
    QCOMPARE(ListKeys(list, keys), 4);
    QCOMPARE(keys, (QStringList{u"b"_s, u""_s, u""_s, u"a"_s}));
}

void TestListStore::findKeysByText_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("search");
    QTest::addColumn<QStringList>("keys");

    // Roster lines: 8-digit ID, "=", TAB, then the names; names start at character 11.
    QTest::newRow("names, case of a-z ignored") << 11 << 255 << u"bob"_s << QStringList{u"12345678"_s, u"23456789"_s};
    QTest::newRow("the ID is outside the window") << 11 << 255 << u"1234"_s << QStringList{};
    QTest::newRow("start 0 counts as 1") << 0 << 500 << u"1234"_s << QStringList{u"12345678"_s};
    QTest::newRow("window cut by its length") << 11 << 3 << u"ice"_s << QStringList{};
    QTest::newRow("window long enough") << 11 << 5 << u"ice"_s << QStringList{u"34567890"_s};
    QTest::newRow("search text trimmed") << 11 << 255 << u" \tALICE\r\n"_s << QStringList{u"34567890"_s};
    QTest::newRow("full-width letters compare exactly") << 11 << 255 << u"ｂｏｂ"_s << QStringList{u"45678901"_s};
    QTest::newRow("accented letters are not folded") << 11 << 255 << u"É"_s << QStringList{};
    QTest::newRow("empty search") << 11 << 255 << u" \t"_s << QStringList{};
    QTest::newRow("start past every line") << 600 << 10 << u"b"_s << QStringList{};
}

void TestListStore::findKeysByText()
{
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(QString, search);
    QFETCH(QStringList, keys);
    const TStrDBListUni list = ListOf({u"12345678=\tBob\tRobert"_s, u"23456789=\tbobby"_s, u"34567890=\tAlice"_s,
                                       u"45678901=\tｂｏｂ\té"_s});
    QStringList dest{u"kept"_s};
    FindKeysByText(list, start, length, dest, search);
    QCOMPARE(dest, QStringList{u"kept"_s} + keys);
}

void TestListStore::splitFields_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("parts");

    QTest::newRow("empty part kept, last TAB adds none") << u"a\t\tb\t"_s << QStringList{u"a"_s, u""_s, u"b"_s};
    QTest::newRow("empty text") << u""_s << QStringList{};
    QTest::newRow("TAB at the start") << u"\ta"_s << QStringList{u""_s, u"a"_s};
    QTest::newRow("TAB alone") << u"\t"_s << QStringList{u""_s};
    QTest::newRow("line breaks end parts") << u"a\r\nb\rc\nd\u2028e"_s
                                           << QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s};
    QTest::newRow("CR LF then TAB") << u"a\r\n\tb"_s << QStringList{u"a"_s, u""_s, u"b"_s};
    QTest::newRow("blanks are text") << u" a \t b"_s << QStringList{u" a "_s, u" b"_s};
}

void TestListStore::splitFields()
{
    QFETCH(QString, text);
    QFETCH(QStringList, parts);
    QStringList dest{u"old"_s};
    QCOMPARE(SplitFields(text, dest), int(parts.size()));
    QCOMPARE(dest, parts);
}

void TestListStore::splitCsv_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("parts");

    QTest::newRow("plain") << u"a,b"_s << QStringList{u"a"_s, u"b"_s};
    QTest::newRow("empty text is one empty part") << u""_s << QStringList{u""_s};
    QTest::newRow("empty parts") << u"a,,b,"_s << QStringList{u"a"_s, u""_s, u"b"_s, u""_s};
    QTest::newRow("comma inside quotes") << u"\"a,b\",c"_s << QStringList{u"a,b"_s, u"c"_s};
    QTest::newRow("doubled quote") << u"\"x\"\"y\",z"_s << QStringList{u"x\"y"_s, u"z"_s};
    QTest::newRow("quoted last field adds an empty part") << u"a,\"b\""_s << QStringList{u"a"_s, u"b"_s, u""_s};
    QTest::newRow("any separator after quotes") << u"\"a\";b"_s << QStringList{u"a"_s, u"b"_s};
    QTest::newRow("quote inside a plain field") << u"a\"b,c"_s << QStringList{u"a\"b"_s, u"c"_s};
    QTest::newRow("japanese text") << u"剣,\"☆07,武器\""_s << QStringList{u"剣"_s, u"☆07,武器"_s, u""_s};
}

void TestListStore::splitCsv()
{
    QFETCH(QString, text);
    QFETCH(QStringList, parts);
    QStringList dest{u"old"_s};
    QCOMPARE(SplitCsv(text, dest), int(parts.size()));
    QCOMPARE(dest, parts);
}

static void AddSortCases()
{
    QTest::addColumn<QStringList>("file");
    QTest::addColumn<QStringList>("loaded");

    QTest::newRow("duplicates and case duplicates, first kept")
        << QStringList{u"b=\t1"_s, u"a=\t1"_s, u"B=\t1"_s, u"a=\t1"_s, u"c=\t2"_s, u"A=\t1"_s}
        << QStringList{u"a=\t1"_s, u"b=\t1"_s, u"c=\t2"_s};
    QTest::newRow("same key, other value: both kept")
        << QStringList{u"k=\t2"_s, u"K=\t1"_s} << QStringList{u"K=\t1"_s, u"k=\t2"_s};
    QTest::newRow("look-alikes are different lines")
        << QStringList{u"カ"_s, u"ｶ"_s, u"か"_s, u"Ａ"_s, u"a"_s, u"ａ"_s, u"ア"_s, u"あ"_s}
        << QStringList{u"a"_s, u"Ａ"_s, u"あ"_s, u"ア"_s, u"か"_s, u"カ"_s, u"ｶ"_s};
    QTest::newRow("digits, latin, kana, kanji in JIS order")
        << QStringList{u"一"_s, u"亜"_s, u"い"_s, u"Z"_s, u"1"_s, u"あ"_s, u"b"_s}
        << QStringList{u"1"_s, u"b"_s, u"Z"_s, u"あ"_s, u"い"_s, u"亜"_s, u"一"_s};
    QTest::newRow("voiced kana is another letter")
        << QStringList{u"が"_s, u"か"_s, u"ガ"_s} << QStringList{u"か"_s, u"が"_s, u"ガ"_s};
    QTest::newRow("a control character makes another line")
        << QStringList{u"a\u0001"_s, u"a"_s, u"A"_s} << QStringList{u"a"_s, u"a\u0001"_s};
    QTest::newRow("empty lines once") << QStringList{u""_s, u"x"_s, u""_s} << QStringList{u""_s, u"x"_s};
}

void TestListStore::sortedLoad_data()
{
    AddSortCases();
}

void TestListStore::sortedLoad()
{
    QFETCH(QStringList, file);
    QFETCH(QStringList, loaded);
    testfiles::Write(Path(), testfiles::Utf16Le(file.join(u"\r\n"_s)));
    TStrDBListUni list;
    list.SetSorted(true);
    QString error;
    QVERIFY2(LoadListFile(list, Path(), &error), qPrintable(error));
    QCOMPARE(list.Lines(), loaded);
}

void TestListStore::sortedAddAgreesWithLoad_data()
{
    AddSortCases();
}

void TestListStore::sortedAddAgreesWithLoad()
{
    // Lines added one by one in kept-sorted mode end the same as a whole file loaded.
    QFETCH(QStringList, file);
    QFETCH(QStringList, loaded);
    TStrDBListUni list;
    list.SetSorted(true);
    QStringList dropped;
    for (const QString &line : file) {
        if (!list.Add(line))
            dropped << line;
    }
    QCOMPARE(list.Lines(), loaded);
    QCOMPARE(dropped.size() + loaded.size(), file.size());
}

void TestListStore::unsortedAfterLoadAppends()
{
    testfiles::Write(Path(), testfiles::Utf16Le(u"b=\t1\r\nc=\t1\r\n"_s));
    TStrDBListUni list;
    list.SetSorted(true);
    QVERIFY(LoadListFile(list, Path()));
    list.SetSorted(false);
    QVERIFY(list.Add(u"a=\t1"_s));
    QVERIFY(list.Add(u"B=\t1"_s));
    QVERIFY(!AddField(u"0"_s, u"x"_s, list));
    QCOMPARE(list.Lines(), (QStringList{u"b=\t1"_s, u"c=\t1"_s, u"a=\t1"_s, u"B=\t1"_s, u"0=\tx"_s}));
}

void TestListStore::encodingsLoadToTheSameList_data()
{
    QTest::addColumn<QByteArray>("bytes");

    const QString text = u"87654321=\tボブ\t表示\r\n12345678=\t①～\r\n12345678=\t①～\r\nabc=\tｱ\r\n"_s;
    QTest::newRow("utf-16 le") << testfiles::Utf16Le(text);
    QTest::newRow("utf-16 be") << Utf16Be(text);
    QTest::newRow("utf-8 with mark") << QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    QTest::newRow("code page 932") << testfiles::Cp932(text);
    QTest::newRow("code page 932, bare LF, no last end") << testfiles::Cp932(QString(text).replace(u"\r\n"_s, u"\n"_s).chopped(1));
    QTest::newRow("utf-16 le with an odd last byte") << testfiles::Utf16Le(text) + QByteArray("\x41");
}

void TestListStore::encodingsLoadToTheSameList()
{
    QFETCH(QByteArray, bytes);
    testfiles::Write(Path(), bytes);
    TStrDBListUni list;
    list.SetSorted(true);
    QString error;
    QVERIFY2(LoadListFile(list, Path(), &error), qPrintable(error));
    QCOMPARE(list.Lines(), (QStringList{u"12345678=\t①～"_s, u"87654321=\tボブ\t表示"_s, u"abc=\tｱ"_s}));
}

void TestListStore::saveWritesUtf16WithCrLf_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("empty list is the mark alone") << QStringList{} << QByteArray("\xFF\xFE", 2);
    QTest::newRow("every line ended")
        << QStringList{u"a=\t表"_s, u""_s, u"𐐀"_s}
        << QByteArray("\xFF\xFE" "a\0=\0\t\0\x68\x88\r\0\n\0" "\r\0\n\0" "\x01\xD8\x00\xDC\r\0\n\0", 26);
}

void TestListStore::saveWritesUtf16WithCrLf()
{
    QFETCH(QStringList, lines);
    QFETCH(QByteArray, bytes);
    testfiles::Write(Path(), "an older, longer file that the save replaces");
    QString error;
    QVERIFY2(SaveListFile(ListOf(lines), Path(), &error), qPrintable(error));
    QCOMPARE(testfiles::Read(Path()), bytes);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{u"Whois.lst"_s});

    TStrDBListUni back;
    QVERIFY(LoadListFile(back, Path()));
    QCOMPARE(back.Lines(), lines);
}

void TestListStore::saveFailingPartWayLeavesTheOldFile()
{
    const QByteArray old = testfiles::Utf16Le(u"12345678=\tBob\r\n"_s);
    testfiles::Write(Path(), old);
    TStrDBListUni list;
    for (int i = 0; i < 100; ++i)
        list.Add(QStringLiteral("%1=\tname%1").arg(10000000 + i));

    // The disk fills up after 300 bytes: what the list wrote until then reaches the
    // temporary file, never the list file.
    FailingDevice disk(300);
    QString why;
    QVERIFY(!WriteListFile(list, &disk, &why));
    QCOMPARE(disk.written.size(), 300);
    QVERIFY(disk.written.startsWith("\xFF\xFE"));

    QString error;
    const bool saved = kiv::safesave::Save(
        Path(),
        [&](QIODevice *device, QString *reason) {
            FailingDevice full(300);
            const bool ok = WriteListFile(list, &full, reason);
            device->write(full.written);
            return ok;
        },
        &error);
    QVERIFY(!saved);
    QVERIFY2(error.contains(QDir::toNativeSeparators(Path())), qPrintable(error));
    QCOMPARE(testfiles::Read(Path()), old);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"Whois.lst"_s});
}

void TestListStore::failedLoadLeavesTheListAsItWas_data()
{
    QTest::addColumn<bool>("directory");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("missing file") << false << QByteArray();
    QTest::newRow("a folder of that name") << true << QByteArray();
    QTest::newRow("invalid utf-8") << false << QByteArray("\xEF\xBB\xBF" "12345678=\t\xFF\xFE\r\n");
    QTest::newRow("NUL with text after it") << false << QByteArray("a=\t1\r\n\0b=\t2\r\n", 13);
}

void TestListStore::failedLoadLeavesTheListAsItWas()
{
    QFETCH(bool, directory);
    QFETCH(QByteArray, bytes);
    if (directory)
        QVERIFY(QDir(m_dir->path()).mkdir(u"Whois.lst"_s));
    else if (!bytes.isEmpty())
        testfiles::Write(Path(), bytes);
    TStrDBListUni list = ListOf({u"kept=\t1"_s});
    QString error;
    QVERIFY(!LoadListFile(list, Path(), &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(list.Lines(), QStringList{u"kept=\t1"_s});
}

void TestListStore::unreadableFileIsNeverOverwritten()
{
    const QByteArray damaged("\xEF\xBB\xBF" "12345678=\tBob\xC0\r\n");
    testfiles::Write(Path(), damaged);
    TStrDBListUni list;
    QVERIFY(!LoadListFile(list, Path()));
    list.SetLoadFailed(true);
    list.Add(u"87654321=\tAlice"_s);

    QString error;
    QVERIFY(!SaveListFile(list, Path(), &error));
    QVERIFY2(error.contains(QDir::toNativeSeparators(Path())), qPrintable(error));
    QVERIFY(!SaveListFile(list, Path(u"Other.lst"_s), &error));
    QCOMPARE(testfiles::Read(Path()), damaged);
    QVERIFY(!QFile::exists(Path(u"Other.lst"_s)));

    // Once the file reads again the list is the file's, and may be saved.
    testfiles::Write(Path(), testfiles::Utf16Le(u"12345678=\tBob\r\n"_s));
    QVERIFY(LoadListFile(list, Path()));
    QVERIFY(!list.LoadFailed());
    QVERIFY(SaveListFile(list, Path(), &error));
}

QTEST_GUILESS_MAIN(TestListStore)
#include "tst_listStore.moc"
