#include "items/Tallies.h"

#include "core/Digits.h"
#include "platform/Cp932.h"
#include "platform/FileNames.h"
#include "platform/SafeSave.h"

#include <QDateTime>

namespace kiv::items {

CellColours PickupColours(QStringView category, bool rare)
{
    const bool coloured = category == u"武器" || category == u"防具" || category == u"ユニット";
    return {!rare ? kWhite : (coloured ? kPink : kPalePink), coloured ? kBlue : (rare ? kBlack : kGreen)};
}

int RowHeightForFontSize(int fontSize, int otherwise, bool withSix)
{
    switch (fontSize) {
    case 6:
        return withSix ? 11 : otherwise;
    case 7:
        return 12;
    case 8:
        return 14;
    case 9:
        return 15;
    case 10:
        return 16;
    case 11:
        return 18;
    default:
        return otherwise;
    }
}

int AmountOf(QStringView text)
{
    bool ok = false;
    const int value = DigitsOf(text).toInt(&ok);
    return ok ? value : 0;
}

QByteArray ReportBytes(const QStringList &lines)
{
    QString text;
    for (const QString &line : lines) {
        text += line;
        text += QStringLiteral("\r\n");
    }
    return cp932::Encode(text);
}

} // namespace kiv::items

using namespace kiv::items;

namespace {

QString HeaderKey(const QString &id, const QString &name)
{
    return id + u'\r' + name;
}

int FindHeader(const TCellGrid &grid, const QString &key)
{
    for (int c = 0; c < grid.ColCount(); ++c) {
        if (grid.Text(c, 0) == key)
            return c;
    }
    return -1;
}

void AddToCell(GridCell &cell, qint64 amount)
{
    cell.text = QString::number(CellNumber(cell.text) + amount);
}

} // namespace

DistributionTally::DistributionTally()
{
    items.SetRowCount(2);
    items.SetDefaultRowHeight(16);
    strip.SetDefaultRowHeight(17);
    RecomputeColumnWidth();
}

void DistributionTally::SetGridWidth(int width)
{
    m_gridWidth = width;
    RecomputeColumnWidth();
}

void DistributionTally::RecomputeColumnWidth()
{
    const int width = (m_gridWidth - 24) / items.ColCount();
    items.SetDefaultColWidth(width);
    strip.SetDefaultColWidth(width);
}

void DistributionTally::FormShow()
{
    items.SetDefaultRowHeight(RowHeightForFontSize(fontSize, 16, false));
    strip.SetDefaultRowHeight(RowHeightForFontSize(fontSize, 17, false));
    RecomputeColumnWidth();
    items.SetRowHeight(0, items.DefaultRowHeight() * 2 + 2);
}

int DistributionTally::StripHeight() const
{
    if (distributionRows > 0)
        return distributionRows * strip.DefaultRowHeight() + 4;
    return strip.DefaultRowHeight() + 2;
}

int DistributionTally::FindOrAddItemRow(int col)
{
    for (int r = 1; r < items.RowCount(); ++r) {
        if (items.Text(col, r).isEmpty())
            return r;
    }
    items.SetRowCount(items.RowCount() + 1);
    const int r = items.RowCount() - 1;
    for (int c = 0; c < items.ColCount(); ++c)
        items.At(c, r).background = kWhite;
    return r;
}

void DistributionTally::AddPickup(const QString &id, const QString &name, const QString &text, unsigned background,
                                  unsigned font)
{
    if (id.isEmpty())
        return;
    const bool pot = id == kPotId;
    int c = 0;
    if (!pot) {
        const QString key = HeaderKey(id, name);
        c = FindHeader(items, key);
        if (c < 0) {
            if (items.Text(0, 0).isEmpty()) {
                c = 0;
            } else {
                items.SetColCount(items.ColCount() + 1);
                c = items.ColCount() - 1;
                RecomputeColumnWidth();
                strip.SetColCount(items.ColCount());
            }
            GridCell &header = items.At(c, 0);
            header.font = kBlack;
            header.text = key;
        }
    }
    auto write = [](GridCell &cell, const QString &text, unsigned background, unsigned font) {
        cell.text = text;
        cell.background = background;
        cell.font = font;
    };

    if (distributionRows <= 0) {
        const int r = FindOrAddItemRow(c);
        if (!pot)
            write(items.At(c, r), text, background, font);
        if (text.contains(kMoneyName))
            AddToCell(strip.At(c, 0), AmountOf(text));
        items.SetCurrent(c, r);
        return;
    }
    if (background == kWhite) {
        const int r = FindOrAddItemRow(c);
        if (pot)
            return;
        write(items.At(c, r), text, background, font);
        items.SetCurrent(c, r);
        return;
    }
    int r = -1;
    for (int row = 0; row < strip.RowCount(); ++row) {
        if (strip.Text(c, row).isEmpty()) {
            r = row;
            break;
        }
    }
    if (r < 0) {
        strip.SetRowCount(strip.RowCount() + 1);
        r = strip.RowCount() - 1;
        for (int col = 0; col < strip.ColCount(); ++col)
            strip.At(col, r).background = kWhite;
    }
    write(strip.At(c, r), text, background, font);
    strip.SetCurrent(c, r);
}

void DistributionTally::ClearItemWindow()
{
    for (int r = 0; r < items.RowCount(); ++r)
        items.ClearRow(r);
    items.SetRowCount(2);
    items.SetColCount(1);
    RecomputeColumnWidth();
    for (int r = 0; r < strip.RowCount(); ++r)
        strip.ClearRow(r, true);
    strip.SetRowCount(1);
    strip.SetColCount(1);
    strip.SetDefaultColWidth(items.DefaultColWidth());
    items.SetCurrent(0, 0);
    strip.SetCurrent(0, 0);
}

void DistributionTally::ClearItems()
{
    for (int r = 0; r < items.RowCount(); ++r)
        items.ClearRow(r, true);
    items.SetRowCount(2);
}

void DistributionTally::ClearDistribution()
{
    for (int r = 0; r < strip.RowCount(); ++r)
        strip.ClearRow(r, true);
    strip.SetRowCount(1);
}

QStringList DistributionTally::ReportLines() const
{
    QStringList lines;
    for (int c = 0; c < items.ColCount(); ++c) {
        for (int r = 0; r < items.RowCount(); ++r)
            lines.append(items.Text(c, r));
        lines.append(QString());
        for (int r = 0; r < strip.RowCount(); ++r)
            lines.append(strip.Text(c, r));
        lines.append(QString());
    }
    return lines;
}

KindTally::KindTally()
{
    // A window fed before it was ever shown still has its corner label, so no member
    // takes column 0, where the item names are.
    Clear();
}

void KindTally::SetGridWidth(int width)
{
    m_gridWidth = width;
    FitMemberColumns();
}

void KindTally::ResetLayout()
{
    grid.SetColCount(1);
    grid.SetRowCount(2);
    GridCell &corner = grid.At(0, 0);
    corner.text = kCornerText;
    corner.background = kButtonFace;
    corner.font = kBlack;
    grid.SetCurrent(0, 1);
}

void KindTally::FormShow()
{
    for (int r = 1; r < grid.RowCount(); ++r) {
        grid.ClearRow(r);
        grid.At(0, r).background = kWhite;
    }
    grid.SetDefaultRowHeight(RowHeightForFontSize(fontSize, 16, true));
    ResetLayout();
    grid.SetDefaultColWidth((m_gridWidth - 24) / grid.ColCount());
    grid.SetRowHeight(0, grid.DefaultRowHeight() * 2 + 2);
    GridCell &money = grid.At(0, 1);
    money.text = kMoneyName;
    money.alignRight = false;
}

void KindTally::Clear()
{
    for (int r = 0; r < grid.RowCount(); ++r)
        grid.ClearRow(r);
    grid.SetRowHeight(0, 32);
    grid.SetColWidth(0, 90);
    ResetLayout();
}

void KindTally::FitMemberColumns()
{
    const int cols = grid.ColCount();
    if (cols < 2)
        return;
    const int width = (m_gridWidth - 20) / cols;
    if (width >= 70) {
        grid.SetDefaultColWidth(width);
        return;
    }
    grid.SetDefaultColWidth((m_gridWidth - 96) / (cols - 1));
    grid.SetColWidth(0, 70);
}

void KindTally::AddPickupByKind(const QString &id, const QString &name, const QString &text, unsigned background,
                                unsigned font)
{
    const qsizetype bracket = text.indexOf(u'(');
    const QString item = bracket < 0 ? QString() : text.first(bracket);
    const int quantity = bracket < 0 ? 0 : AmountOf(QStringView(text).sliced(bracket).first(
                                               std::min<qsizetype>(6, text.size() - bracket)));
    if (id.isEmpty() || id == kPotId)
        return;

    const QString key = id + u'\r' + name;
    int c = FindHeader(grid, key);
    if (c < 0) {
        if (grid.Text(0, 0).isEmpty()) {
            c = 0;
        } else {
            grid.SetColCount(grid.ColCount() + 1);
            c = grid.ColCount() - 1;
        }
        GridCell &header = grid.At(c, 0);
        header.font = kBlack;
        header.text = key;
        if (c > 0)
            FitMemberColumns();
    }

    int r = -1;
    for (int row = 1; row < grid.RowCount(); ++row) {
        if (grid.Text(0, row) == item) {
            r = row;
            break;
        }
    }
    if (r < 0) {
        if (!grid.Text(0, 1).isEmpty())
            grid.SetRowCount(grid.RowCount() + 1);
        r = grid.RowCount() - 1;
    }
    GridCell &label = grid.At(0, r);
    label.alignRight = false;
    label.text = item;
    label.background = background;
    label.font = font;
    GridCell &count = grid.At(c, r);
    count.alignRight = true;
    count.text = QString::number(CellNumber(count.text) + quantity);
    grid.SetCurrent(c, r);
}

QStringList KindTally::ReportLines() const
{
    QStringList lines;
    for (int c = 1; c < grid.ColCount(); ++c) {
        for (int r = 0; r < grid.RowCount(); ++r)
            lines.append(grid.Text(0, r) + u',' + grid.Text(c, r));
        lines.append(QString());
    }
    return lines;
}

namespace {
QString SaveReport(const QStringList &lines, const QString &folder, const QString &prefix, const QDateTime &now,
                   QString *error)
{
    const QString path =
        kiv::files::Resolve(folder, prefix + now.toString(QStringLiteral("yyyyMMddHHmm")) + QStringLiteral(".txt"));
    if (!kiv::safesave::Save(path, ReportBytes(lines), error))
        return QString();
    return path;
}
} // namespace

QString SaveDistributionReport(const DistributionTally &tally, const QString &folder, const QDateTime &now,
                               QString *error)
{
    if (tally.IsEmpty())
        return QString();
    return SaveReport(tally.ReportLines(), folder, QStringLiteral("Act"), now, error);
}

QString SaveKindReport(const KindTally &tally, const QString &folder, const QDateTime &now, QString *error)
{
    if (!tally.HasMember())
        return QString();
    return SaveReport(tally.ReportLines(), folder, QStringLiteral("ActHin"), now, error);
}
