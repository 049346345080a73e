#pragma once

#include "items/IItemWindows.h"

// Item windows as plain tallies and flags; showing runs the tallies' show steps.
class FakeItemWindows final : public IItemWindows
{
public:
    DistributionTally &Distribution() override { return distribution; }
    KindTally &ByKind() override { return byKind; }
    void TallyChanged() override { ++changes; }
    bool IsDistributionShowing() const override { return distributionShown; }
    bool IsByKindShowing() const override { return byKindShown; }
    void SetDistributionShown(bool shown) override
    {
        if (shown && !distributionShown)
            distribution.FormShow();
        distributionShown = shown;
    }
    void SetByKindShown(bool shown) override
    {
        if (shown && !byKindShown)
            byKind.FormShow();
        byKindShown = shown;
    }
    int Alpha() const override { return alpha; }
    void SetAlpha(int a) override { alpha = a; }
    QSize DistributionSize() const override { return size; }
    void SetDistributionSize(const QSize &s) override { size = s; }
    int ScreenHeight() const override { return 768; }

    DistributionTally distribution;
    KindTally byKind;
    bool distributionShown = false;
    bool byKindShown = false;
    int alpha = 220;
    QSize size{203, 111};
    int changes = 0;
};

// A grid as text: rows joined by ";", cells by "|", trailing empty cells and rows left out.
inline QString Dump(const TCellGrid &g)
{
    QStringList rows;
    for (int r = 0; r < g.RowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < g.ColCount(); ++c)
            cells.append(QString(g.Text(c, r)).replace(u'\r', u'/'));
        while (cells.size() > 1 && cells.last().isEmpty())
            cells.removeLast();
        rows.append(cells.join(u'|'));
    }
    while (!rows.isEmpty() && QString(rows.last()).remove(u'|').isEmpty())
        rows.removeLast();
    return rows.join(u';');
}
