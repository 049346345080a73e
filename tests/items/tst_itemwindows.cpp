#include "items/TFrmItemNote.h"
#include "items/TInfoGrid.h"
#include "items/TInfoGridHin.h"
#include "items/QtItemWindows.h"
#include "widgets/TStrColGrid.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QHeaderView>
#include <QPaintEvent>
#include <QPainter>
#include <QStyleOptionViewItem>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace kiv::items;

class TestItemWindows : public QObject
{
    Q_OBJECT
private slots:
    void distributionWindow();
    void byKindWindow();
    void aPickUpRedrawsOnlyWhatChanged();
    void aBurstOfPickUpsIsDrawnAtTheEndOfItsFrame();
    void headersReadable_data();
    void headersReadable();
    void itemNote_data();
    void itemNote();
    void itemNoteLists_data();
    void itemNoteLists();
};

void TestItemWindows::distributionWindow()
{
    TInfoGrid window;
    window.SetDistributionRows(3);
    window.SetRememberedSize(QSize(300, 150));
    window.show();
    QCOMPARE(window.size(), QSize(300, 150));
    const QString id = u"11111111"_s;
    for (int i = 0; i < 4; ++i)
        window.Tally().AddPickup(id, u"a"_s, u"剣%1"_s.arg(i), kPink, kBlue);
    window.Tally().AddPickup(u"22222222"_s, u"b"_s, u"草"_s, kWhite, kGreen);
    window.Refresh();
    // The fourth rare item appends a strip row and is current; the strip keeps three rows.
    QCOMPARE(window.strRndGrid->rowCount(), 4);
    QCOMPARE(window.Tally().strip.CurrentRow(), 3);
    QCOMPARE(window.strRndGrid->height(), 3 * 15 + 4);
    QCOMPARE(window.strRndGrid->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(window.strGrid->horizontalHeaderItem(1)->text(), u"22222222\nb"_s);
    QVERIFY(window.bbtnItemClear->isVisibleTo(&window));
    // The column widths follow the window's width.
    window.resize(400, 150);
    QCOMPARE(window.strGrid->columnWidth(1), (400 - 24) / 2);
    QCOMPARE(window.strRndGrid->columnWidth(1), (400 - 24) / 2);
    // Showing again keeps the contents.
    window.hide();
    window.show();
    QCOMPARE(window.strRndGrid->item(3, 0)->text(), u"剣3"_s);
}

void TestItemWindows::byKindWindow()
{
    TInfoGridHin window;
    window.SetRememberedSize(QSize(203, 111));
    window.show();
    window.Tally().AddPickupByKind(u"11111111"_s, u"a"_s, u"草(2)"_s, kWhite, kGreen);
    window.Refresh();
    // Row 0 is the header, which stays in place; the rows below start at the grid's row 0.
    QCOMPARE(window.strGrid->item(0, 0)->text(), u"ペルカ"_s);
    QCOMPARE(window.strGrid->item(1, 1)->text(), u"2"_s);
    QVERIFY(window.strGrid->item(1, 1)->textAlignment() & Qt::AlignRight);
    // Every showing starts an empty tally.
    window.hide();
    window.show();
    QCOMPARE(window.strGrid->rowCount(), 1);
    QCOMPARE(window.strGrid->columnCount(), 1);
    window.popClearClick();
    QCOMPARE(window.strGrid->item(0, 0)->text(), QString());
    QCOMPARE(window.strGrid->columnWidth(0), 90);
    QCOMPARE(window.strGrid->horizontalHeader()->height(), 32);
}

namespace {

// The area a widget's paint events covered since the last Reset().
class PaintedArea : public QObject
{
public:
    explicit PaintedArea(QWidget *widget)
        : m_widget(widget)
    {
        widget->installEventFilter(this);
    }
    void Reset() { area = 0; }
    qint64 area = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_widget && event->type() == QEvent::Paint) {
            for (const QRect &r : static_cast<QPaintEvent *>(event)->region())
                area += qint64(r.width()) * r.height();
        }
        return false;
    }

private:
    QWidget *m_widget;
};

} // namespace

void TestItemWindows::aPickUpRedrawsOnlyWhatChanged()
{
    // The tally windows follow every pick-up: a count that goes up redraws its cell, not
    // the grid or its header (whose sections are redrawn only when the current cell moves
    // to another column).
    TInfoGridHin window;
    window.SetRememberedSize(QSize(400, 300));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    for (int i = 0; i < 6; ++i)
        window.Tally().AddPickupByKind(u"1111111%1"_s.arg(i % 3), u"p%1"_s.arg(i % 3), u"草%1(2)"_s.arg(i % 4), kWhite,
                                       kGreen);
    window.Refresh();
    QTest::qWait(50);
    PaintedArea grid(window.strGrid->viewport());
    PaintedArea header(window.strGrid->horizontalHeader()->viewport());
    // The last pick-up again: its count goes from 2 to 4 in the current cell.
    const QTableWidgetItem *current = window.strGrid->currentItem();
    QVERIFY(current);
    QCOMPARE(current->text(), u"2"_s);
    const QRect cell = window.strGrid->visualItemRect(current);
    window.Tally().AddPickupByKind(u"11111112"_s, u"p2"_s, u"草1(2)"_s, kWhite, kGreen);
    window.Refresh();
    QTest::qWait(50);
    QCOMPARE(window.strGrid->currentItem(), current);
    QCOMPARE(current->text(), u"4"_s);
    QVERIFY(grid.area > 0);
    QVERIFY2(grid.area <= 2 * qint64(cell.width()) * cell.height(), qPrintable(QString::number(grid.area)));
    QCOMPARE(header.area, 0);
    // Nothing new: nothing drawn.
    grid.Reset();
    window.Refresh();
    QTest::qWait(50);
    QCOMPARE(grid.area, 0);
}

namespace {

QStringList CellsOf(const TStrColGrid *grid)
{
    QStringList cells{u"%1x%2"_s.arg(grid->rowCount()).arg(grid->columnCount())};
    for (int row = 0; row < grid->rowCount(); ++row) {
        for (int column = 0; column < grid->columnCount(); ++column)
            cells.append(grid->item(row, column) ? grid->item(row, column)->text() : QString());
    }
    return cells;
}

} // namespace

void TestItemWindows::aBurstOfPickUpsIsDrawnAtTheEndOfItsFrame()
{
    // A reading of thousands of pick-ups used to rebuild both grids at every one of them.
    TInfoGrid distribution;
    TInfoGridHin kinds;
    TInfoGrid drawnAtOnce;
    TInfoGridHin kindsDrawnAtOnce;
    for (TSideWindow *w : std::initializer_list<TSideWindow *>{&distribution, &kinds, &drawnAtOnce, &kindsDrawnAtOnce}) {
        w->SetRememberedSize(QSize(300, 150));
        w->show();
    }
    QtItemWindows windows(&distribution, &kinds, std::chrono::milliseconds(14));
    const QStringList before = CellsOf(distribution.strGrid);
    for (int i = 0; i < 3000; ++i) {
        const QString id = u"%1"_s.arg(10000000 + i % 8);
        const QString item = u"草%1"_s.arg(i % 300);
        for (TInfoGrid *w : {&distribution, &drawnAtOnce})
            w->Tally().AddPickup(id, u"p"_s, item, i % 7 ? kWhite : kPink, kGreen);
        for (TInfoGridHin *w : {&kinds, &kindsDrawnAtOnce})
            w->Tally().AddPickupByKind(id, u"p"_s, item + u"(2)"_s, kWhite, kGreen);
        windows.TallyChanged();
    }
    QCOMPARE(CellsOf(distribution.strGrid), before);
    drawnAtOnce.Refresh();
    kindsDrawnAtOnce.Refresh();
    QTRY_COMPARE(CellsOf(distribution.strGrid), CellsOf(drawnAtOnce.strGrid));
    QCOMPARE(CellsOf(distribution.strRndGrid), CellsOf(drawnAtOnce.strRndGrid));
    QCOMPARE(CellsOf(kinds.strGrid), CellsOf(kindsDrawnAtOnce.strGrid));
    QVERIFY(CellsOf(distribution.strGrid) != before);
}

void TestItemWindows::headersReadable_data()
{
    QTest::addColumn<bool>("byKind");
    QTest::addColumn<int>("fontSize");
    for (const int size : {7, 9, 14}) {
        QTest::addRow("font %d", size) << false << size;
        QTest::addRow("by kind, font %d", size) << true << size;
    }
}

// Six members in a window of the default width: every ID and name stays whole.
void TestItemWindows::headersReadable()
{
    QFETCH(bool, byKind);
    QFETCH(int, fontSize);
    TInfoGrid distribution;
    TInfoGridHin kinds;
    distribution.SetFontSize(fontSize);
    kinds.SetFontSize(fontSize);
    (byKind ? static_cast<TSideWindow *>(&kinds) : &distribution)->show();
    const QStringList names{u"たろう"_s, u"Hanako"_s, u"剣士ケン"_s, u"魔法使い表"_s, u"ゆき～"_s, u"WWWWWWWWWWWW"_s};
    for (int i = 0; i < names.size(); ++i) {
        const QString id = QString::number(10000001 + i * 1111111);
        distribution.Tally().AddPickup(id, names[i], u"ペルカ(123456789)"_s, kWhite, kGreen);
        kinds.Tally().AddPickupByKind(id, names[i], u"草(1)"_s, kWhite, kGreen);
    }
    distribution.Refresh();
    kinds.Refresh();
    TStrColGrid *grid = byKind ? kinds.strGrid : distribution.strGrid;
    const QFontMetrics metrics(grid->font());
    QVERIFY(grid->horizontalHeader()->height() >= 2 * metrics.height());
    for (int c = byKind ? 1 : 0; c < grid->columnCount(); ++c) {
        for (const QString &line : grid->horizontalHeaderItem(c)->text().split(u'\n'))
            QVERIFY2(grid->columnWidth(c) >= metrics.horizontalAdvance(line) + 6, qPrintable(line));
        QCOMPARE(byKind ? grid->columnWidth(c) : distribution.strRndGrid->columnWidth(c), grid->columnWidth(c));
    }
}

void TestItemWindows::itemNote_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("shownNote");
    QTest::addColumn<QString>("result");

    QTest::newRow("three note lines") << u"剣=\t武器\t☆03\tx\ty\tz"_s << u"x\ny\nz"_s << u"武器\t☆03\tx\ty\tz"_s;
    QTest::newRow("hand-written rarity") << u"剣=\t防具\t☆7"_s << QString() << u"防具\t☆07\t"_s;
    QTest::newRow("unknown category") << u"剣=\t謎\t不明\t a "_s << u" a "_s << u"不明\t不明\ta"_s;
}

void TestItemWindows::itemNote()
{
    QFETCH(QString, line);
    TFrmItemNote dialog;
    dialog.SetItem(u"剣"_s, line);
    dialog.FormShow();
    QTEST(dialog.note->toPlainText(), "shownNote");
    dialog.bbtnOK->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QTEST(dialog.Result(), "result");
}

void TestItemWindows::itemNoteLists_data()
{
    QTest::addColumn<bool>("rarityList");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("category"); // chosen in the dialog
    QTest::addColumn<int>("rarity");
    QTest::addColumn<QColor>("background");
    QTest::addColumn<QColor>("text");
    const QColor white(255, 255, 255), pink(255, 187, 187), palePink(255, 221, 221);
    QTest::newRow("☆07 of a weapon") << true << 7 << 1 << 0 << pink << QColor(0, 0, 255);
    QTest::newRow("☆15 of an ore") << true << 15 << 12 << 3 << palePink << QColor(0, 0, 0);
    QTest::newRow("☆06 of a weapon") << true << 6 << 1 << 9 << white << QColor(0, 0, 255);
    QTest::newRow("unknown of rarity 9") << false << 0 << 4 << 9 << palePink << QColor(0, 0, 0);
    QTest::newRow("unit, not rare") << false << 4 << 5 << 6 << white << QColor(0, 0, 255);
    QTest::newRow("chip, not rare") << false << 16 << 1 << 0 << white << QColor(0, 128, 0);
}

// A list row is drawn in the colours the item's pick-ups would get with that choice:
// its background, and as its strongest pixel (a stroke drawn whole) the text colour.
void TestItemWindows::itemNoteLists()
{
    QFETCH(bool, rarityList);
    QFETCH(int, row);
    QFETCH(QColor, background);
    QFETCH(QColor, text);
    TFrmItemNote dialog;
    QFETCH(int, category);
    QFETCH(int, rarity);
    dialog.cmbD1->setCurrentIndex(category);
    dialog.cmbD2->setCurrentIndex(rarity);
    QComboBox *list = rarityList ? dialog.cmbD2 : dialog.cmbD1;
    QStyleOptionViewItem option;
    option.initFrom(list->view());
    option.rect = QRect(0, 0, 120, 20);
    QImage image(option.rect.size(), QImage::Format_RGB32);
    QPainter painter(&image);
    list->itemDelegate()->paint(&painter, option, list->model()->index(row, 0));
    painter.end();
    QCOMPARE(image.pixelColor(image.width() - 2, 1), background);
    auto distance = [](const QColor &a, const QColor &b) {
        return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
    };
    QColor strongest = background;
    for (int i = 0; i < image.width() * image.height(); ++i) {
        if (distance(image.pixelColor(i % image.width(), i / image.width()), background) > distance(strongest, background))
            strongest = image.pixelColor(i % image.width(), i / image.width());
    }
    QVERIFY2(distance(strongest, text) < 60, qPrintable(strongest.name()));
}

QTEST_MAIN(TestItemWindows)
#include "tst_itemwindows.moc"
