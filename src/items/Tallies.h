#pragma once

#include "items/CellGrid.h"

#include <QString>
#include <QStringList>

namespace kiv::items {
inline const QString kMoneyName = QStringLiteral("ペルカ");
inline const QString kPotId = QStringLiteral("0");
inline const QString kCornerText = QStringLiteral("Name\rItem");

// The colours of a picked-up item in the tally windows (RGB): blue text for weapons,
// armour and units, green for the rest; a rare item on pink (pale pink and black text
// outside those three categories).
struct CellColours
{
    unsigned background = kWhite;
    unsigned font = kGreen;
};
CellColours PickupColours(QStringView category, bool rare);

// Default row height of a grid for a font size; `otherwise` for sizes without one.
int RowHeightForFontSize(int fontSize, int otherwise, bool withSix);
// Reads a number out of free text: its decimal digits joined; 0 when there are none or
// they do not fit a 32-bit signed integer.
int AmountOf(QStringView text);
// A report's bytes: every line followed by CR LF, in code page 932.
QByteArray ReportBytes(const QStringList &lines);
} // namespace kiv::items

class QDateTime;
class DistributionTally;
class KindTally;

// The reports "Act" and "ActHin" + YYYYMMDDHHNN + ".txt" in `folder`, written whole or
// not at all, replacing a report of the same minute. An empty window writes nothing.
// Returns the path written, or empty (with `error` set when the write failed).
QString SaveDistributionReport(const DistributionTally &tally, const QString &folder, const QDateTime &now,
                               QString *error);
QString SaveKindReport(const KindTally &tally, const QString &folder, const QDateTime &now, QString *error);

// The distribution window's tally: the item grid (one column per member, pick-ups in
// arrival order below a header row of ID CR name) and the strip below it (money totals,
// or with distribution rows on, the rare items each member received). Widths are in
// pixels of the grid as the window lays it out; the window draws the two grids.
class DistributionTally
{
public:
    DistributionTally();

    TCellGrid items;
    TCellGrid strip;

    // Number of distribution rows (0: the strip shows money totals) and font size.
    int distributionRows = 0;
    int fontSize = 9;

    // The width the grids are drawn at; the column widths follow it.
    void SetGridWidth(int width);
    int GridWidth() const { return m_gridWidth; }
    void RecomputeColumnWidth();

    // The layout steps of showing the window; the contents stay.
    void FormShow();
    // Height the strip takes below the item grid.
    int StripHeight() const;

    void AddPickup(const QString &id, const QString &name, const QString &text, unsigned background, unsigned font);
    void ClearItemWindow();
    // The "I" and "R" buttons.
    void ClearItems();
    void ClearDistribution();

    bool IsEmpty() const { return items.Text(0, 0).isEmpty(); }
    // Column by column: the item grid's rows, an empty line, the strip's rows, an empty line.
    QStringList ReportLines() const;

private:
    int FindOrAddItemRow(int col);

    int m_gridWidth = 203;
};

// The items-by-kind window's tally: one row per item name, one column per member, each
// cell the quantity that member picked up.
class KindTally
{
public:
    KindTally();

    TCellGrid grid;
    int fontSize = 9;

    void SetGridWidth(int width);
    int GridWidth() const { return m_gridWidth; }

    // Showing the window starts an empty tally with the money row on top.
    void FormShow();
    // The Clear menu entry: empty, without the money row.
    void Clear();

    void AddPickupByKind(const QString &id, const QString &name, const QString &text, unsigned background,
                         unsigned font);

    bool HasMember() const { return !grid.Text(1, 0).isEmpty(); }
    // Per member: "item,quantity" for every row (the corner row first), then an empty line.
    QStringList ReportLines() const;

private:
    void ResetLayout();
    void FitMemberColumns();

    int m_gridWidth = 203;
};
