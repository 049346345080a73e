#include "app/KivLogic.h"
#include "app/TFrmKivMain.h"
#include "commands/TInfoWindow.h"
#include "core/AppState.h"
#include "items/TInfoGrid.h"
#include "items/TInfoGridHin.h"
#include "roster/IdNotes.h"
#include "roster/TFrmIdNote.h"
#include "support/FakeClock.h"
#include "support/ScriptedPrompts.h"
#include "support/TestFiles.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;
using kiv::idnote::IdNoteValues;

namespace {

const QString kRankNames = u"[Rnk]\r\nRnk0=\r\nRnk1=同伴あり\r\nRnk6=見張り\r\nRnk8=注意人物\r\nRnk9=危険人物\r\n"_s;

} // namespace

class TestRosterWindows : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void readStored_data();
    void readStored();
    void dialog_data();
    void dialog();
    void enterStartsANewLine();
    void rankRows_data();
    void rankRows();
    void openFromTheMenu_data();
    void openFromTheMenu();
    void sightingsInTheMainWindow_data();
    void sightingsInTheMainWindow();

private:
    QString File(const QString &name) const { return m_dir->filePath(name); }
    // A main window over the program folder, with roster and notes as given.
    std::unique_ptr<TFrmKivMain> MakeWindow(const QString &roster, const QString &notes)
    {
        testfiles::Write(File(u"kivreader.ini"_s),
                         testfiles::Cp932(kRankNames + u"[window]\r\nwho.colwidth1=0\r\n[system]\r\nlogdir="_s +
                                          m_dir->path() + u"\r\nKivID=12345678\r\n"_s));
        testfiles::Write(File(u"Whois.lst"_s), testfiles::Utf16Le(roster));
        testfiles::Write(File(u"IDNote.lst"_s), testfiles::Utf16Le(notes));
        auto window =
            std::make_unique<TFrmKivMain>(TFrmKivMain::Paths{m_dir->path() + u'/', File(u"kivreader.ini"_s)}, m_prompts, m_clock);
        window->SetSideWindows(&m_info, &m_itemHin, &m_item);
        return window;
    }
    ScriptedPrompts m_prompts;
    FakeClock m_clock;
    TInfoWindow m_info;
    TInfoGridHin m_itemHin;
    TInfoGrid m_item;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestRosterWindows::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_prompts = ScriptedPrompts();
}

void TestRosterWindows::readStored_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("values"); // companion rank reserved… | note

    QTest::newRow("note from its 12th character")
        << u"12345678=\t1\t2\t0\t0\t0\tab\tcd"_s << u"1 2 0 0 0|ab\tcd"_s;
    QTest::newRow("entry without a note") << u"12345678=\t1\t1\t0\t0\t0"_s << u"1 1 0 0 0|"_s;
    QTest::newRow("no entry") << u"87654321=\t1\t9\t0\t0\t0\tx"_s << u"0 0 0 0 0|"_s;
    QTest::newRow("fields that are no numbers read as 0")
        << u"12345678=\tx\ty\t0\t0\t0\tn"_s << u"0 0 0 0 0|n"_s;
    QTest::newRow("at most 500 characters") << u"12345678=\t0\t0\t0\t0\t0\t"_s + QString(600, u'a')
                                            << u"0 0 0 0 0|"_s + QString(500, u'a');
    QTest::newRow("wider numbers keep the note whole")
        << u"12345678=\t1\t12\t100\t0\t0\tnote"_s << u"1 12 100 0 0|note"_s;
    QTest::newRow("hand-edited: no leading TAB") << u"12345678=1\t2\t0\t0\t0\t note"_s << u"1 2 0 0 0| note"_s;
}

void TestRosterWindows::readStored()
{
    QFETCH(QString, line);
    TStrDBListUni notes;
    notes.Add(line);
    const IdNoteValues v = kiv::idnote::ReadIdNote(u"12345678", notes);
    const QString shown = u"%1 %2 %3 %4 %5|"_s.arg(v.companion).arg(v.rank).arg(v.reserved[0]).arg(v.reserved[1]).arg(
                              v.reserved[2]) +
                          v.note;
    QTEST(shown, "values");
}

void TestRosterWindows::dialog_data()
{
    QTest::addColumn<bool>("settings");
    QTest::addColumn<int>("storedRank");
    QTest::addColumn<QString>("storedNote");
    QTest::addColumn<QString>("shownNote");
    QTest::addColumn<QString>("typed"); // replaces the note when not null
    QTest::addColumn<int>("rank");
    QTest::addColumn<QString>("note");

    QTest::newRow("two-line note shows as two lines")
        << true << 8 << u"first\tsecond"_s << u"first\nsecond"_s << QString() << 8 << u"first\tsecond"_s;
    QTest::newRow("no settings file: no ranks, OK stores 0")
        << false << 3 << u"n"_s << u"n"_s << QString() << 0 << u"n"_s;
    QTest::newRow("rank beyond the rows selects none")
        << true << 12 << QString() << QString() << QString() << 0 << QString();
    QTest::newRow("blank lines at both ends are trimmed")
        << true << 1 << QString() << QString() << u"\n\n line1\r\nline2\n\n"_s << 1 << u"line1\tline2"_s;
    QTest::newRow("typing stops at 500 characters")
        << true << 0 << QString() << QString() << QString(300, u'x') + u'\n' + QString(300, u'y') << 0
        << QString(300, u'x') + u'\t' + QString(199, u'y');
}

void TestRosterWindows::dialog()
{
    QFETCH(bool, settings);
    QFETCH(int, storedRank);
    QFETCH(QString, storedNote);
    QFETCH(QString, typed);
    if (settings)
        testfiles::Write(File(u"kivreader.ini"_s), testfiles::Cp932(kRankNames));
    TFrmIdNote dialog(File(u"kivreader.ini"_s));
    IdNoteValues in;
    in.companion = 1;
    in.rank = storedRank;
    in.reserved = {4, 5, 6};
    in.note = storedNote;
    dialog.SetNote(u"12345678"_s, in);
    dialog.FormShow();

    auto *ranks = dialog.findChild<QComboBox *>(u"cmbD2"_s);
    auto *note = dialog.findChild<QPlainTextEdit *>(u"note"_s);
    QCOMPARE(ranks->count(), settings ? 10 : 0);
    if (settings)
        QCOMPARE(ranks->itemText(8), u"注意人物"_s);
    QTEST(note->toPlainText(), "shownNote");
    QCOMPARE(note->textCursor().position(), note->toPlainText().size());
    QVERIFY(dialog.findChild<QCheckBox *>(u"chkD1"_s)->isChecked());
    if (!typed.isNull())
        note->setPlainText(typed);

    dialog.findChild<QPushButton *>(u"bbtnOK"_s)->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    const IdNoteValues out = dialog.Values();
    QTEST(out.rank, "rank");
    QTEST(out.note, "note");
    QCOMPARE(out.companion, 1);
    QCOMPARE(out.reserved, (std::array<int, 3>{0, 0, 0}));
}

void TestRosterWindows::enterStartsANewLine()
{
    TFrmIdNote dialog(File(u"kivreader.ini"_s));
    dialog.SetNote(u"12345678"_s, {});
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto *note = dialog.findChild<QPlainTextEdit *>(u"note"_s);
    note->setFocus();
    QTest::keyClicks(note, u"first"_s);
    QTest::keyClick(note, Qt::Key_Return);
    QTest::keyClicks(note, u"second"_s);
    QVERIFY(dialog.isVisible());
    QCOMPARE(note->toPlainText(), u"first\nsecond"_s);
}

void TestRosterWindows::rankRows_data()
{
    QTest::addColumn<int>("rank");
    QTest::addColumn<QColor>("background");
    QTest::addColumn<QColor>("text");

    QTest::newRow("rank 1: black on magenta") << 1 << QColor(0xEE, 0x00, 0xEE) << QColor(Qt::black);
    QTest::newRow("rank 6: white on grey") << 6 << QColor(0xAA, 0xAA, 0xAA) << QColor(Qt::white);
    QTest::newRow("rank 8: yellow on dark grey") << 8 << QColor(0x33, 0x33, 0x33) << QColor(0xFF, 0xFF, 0x00);
}

void TestRosterWindows::rankRows()
{
    QFETCH(int, rank);
    QFETCH(QColor, background);
    QFETCH(QColor, text);
    testfiles::Write(File(u"kivreader.ini"_s), testfiles::Cp932(kRankNames));
    TFrmIdNote dialog(File(u"kivreader.ini"_s));
    dialog.FormShow();
    auto *ranks = dialog.findChild<QComboBox *>(u"cmbD2"_s);
    QImage image(120, 13, QImage::Format_RGB32);
    image.fill(Qt::green);
    QStyleOptionViewItem option;
    option.initFrom(ranks->view());
    option.rect = image.rect();
    QCOMPARE(ranks->itemDelegate()->sizeHint(option, ranks->model()->index(rank, 0)).height(), 13);
    {
        QPainter painter(&image);
        ranks->itemDelegate()->paint(&painter, option, ranks->model()->index(rank, 0));
    }
    QCOMPARE(image.pixelColor(118, 11), background);
    bool textDrawn = false;
    for (int y = 0; y < image.height() && !textDrawn; ++y) {
        for (int x = 0; x < 40 && !textDrawn; ++x) {
            // Glyph edges are smoothed; a stroke's core comes near the text colour.
            const QColor c = image.pixelColor(x, y);
            textDrawn = std::abs(c.red() - text.red()) + std::abs(c.green() - text.green()) +
                            std::abs(c.blue() - text.blue()) < 120;
        }
    }
    QVERIFY(textDrawn);
}

void TestRosterWindows::openFromTheMenu_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QStringList>("file");

    const QStringList before{u"12345678=\t0\t0\t0\t0\t0\told"_s, u"22222222=\t1\t1\t0\t0\t0"_s};
    QTest::newRow("OK moves the entry to the end and saves")
        << u"ID:12345678 を開く(&O)"_s << true
        << QStringList{u"22222222=\t1\t1\t0\t0\t0"_s, u"12345678=\t0\t9\t0\t0\t0\tline a\tline b"_s};
    QTest::newRow("Cancel changes nothing") << u"ID:12345678 を開く(&O)"_s << false << before;
    QTest::newRow("new ID") << u"ID:33333333 を開く(&O)"_s << true
                            << before + QStringList{u"33333333=\t0\t9\t0\t0\t0\tline a\tline b"_s};
    QTest::newRow("empty ID opens nothing") << u"ID: を開く(&O)"_s << true << before;
}

void TestRosterWindows::openFromTheMenu()
{
    QFETCH(QString, caption);
    QFETCH(bool, ok);
    const auto owner = MakeWindow(u"12345678=\tEve\r\n"_s,
                                  u"12345678=\t0\t0\t0\t0\t0\told\r\n22222222=\t1\t1\t0\t0\t0\r\n"_s);
    TFrmKivMain &window = *owner;
    auto *popOpen = window.findChild<QAction *>(u"popOpen"_s);
    QVERIFY(popOpen->isEnabled());
    popOpen->setText(caption);

    bool opened = false;
    QTimer::singleShot(0, &window, [&] {
        auto *dialog = qobject_cast<TFrmIdNote *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        opened = true;
        dialog->findChild<QComboBox *>(u"cmbD2"_s)->setCurrentIndex(9);
        dialog->findChild<QPlainTextEdit *>(u"note"_s)->setPlainText(u"line a\nline b\n"_s);
        dialog->findChild<QPushButton *>(ok ? u"bbtnOK"_s : u"bbtnCancel"_s)->click();
    });
    popOpen->trigger();
    QCOMPARE(opened, !kiv::idnote::IdFromCaption(caption).isEmpty());
    QTEST(testfiles::ListFileLines(File(u"IDNote.lst"_s)), "file");
    QCOMPARE(window.State().idNotes.Lines(), testfiles::ListFileLines(File(u"IDNote.lst"_s)));
    QVERIFY2(m_prompts.unexpected == 0, qPrintable(m_prompts.shown.join(u'\n')));
}

void TestRosterWindows::sightingsInTheMainWindow_data()
{
    QTest::addColumn<QString>("roster");
    QTest::addColumn<QStringList>("sightings");
    QTest::addColumn<int>("announcements");
    QTest::addColumn<QString>("widths"); // columns 1, 6, 7, 8

    const QStringList twice{u"12345678|Eve"_s, u"12345678|Eve"_s};
    QTest::newRow("a ranked player is announced once") << u"12345678=\tEve\r\n"_s << twice << 1 << u"0 0 0 0"_s;
    QTest::newRow("a sixth name shows hidden column 7")
        << u"12345678=\tN1\tN2\tN3\tN4\tN5\tEve\r\n"_s << QStringList{u"12345678|Eve"_s} << 1 << u"0 80 80 0"_s;
    QTest::newRow("rows of the roster command widen too")
        << u"12345678=\tN1\tN2\tN3\tN4\tN5\tN6\tN7\r\n"_s << QStringList{u"12345678|"_s} << 0 << u"0 80 80 80"_s;
}

void TestRosterWindows::sightingsInTheMainWindow()
{
    QFETCH(QString, roster);
    QFETCH(QStringList, sightings);
    const auto window = MakeWindow(roster, u"12345678=\t0\t8\t0\t0\t0\tfirst\tsecond\r\n"_s);
    m_info.ClearInfo();
    m_info.ShowInfo();
    for (const QString &s : sightings)
        window->Logic().MarkActive(s.section(u'|', 0, 0), s.section(u'|', 1));
    QCoreApplication::processEvents(); // the new rows reach the view
    m_info.HideInfo();
    QTEST(int(m_info.InfoText().count(u"■注意人物\n12345678 : Eve\nfirst\nsecond"_s)), "announcements");
    auto *view = window->findChild<QTableView *>(u"lvWho"_s);
    QStringList widths;
    for (int c : {1, 6, 7, 8})
        widths << QString::number(view->columnWidth(c));
    QTEST(widths.join(u' '), "widths");
}

QTEST_MAIN(TestRosterWindows)
#include "tst_rosterwindows.moc"
