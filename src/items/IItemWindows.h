#pragma once

#include "items/Tallies.h"

#include <QSize>

// The two item windows as the logic sees them: their tallies, whether they show, their
// size and opacity. The program implements it over the windows; tests over plain tallies.
class IItemWindows
{
public:
    virtual ~IItemWindows() = default;

    virtual DistributionTally &Distribution() = 0;
    virtual KindTally &ByKind() = 0;
    // A tally changed: the windows redraw it.
    virtual void TallyChanged() = 0;

    virtual bool IsDistributionShowing() const = 0;
    virtual bool IsByKindShowing() const = 0;
    // Showing runs the window's own show steps (the items-by-kind window starts empty).
    virtual void SetDistributionShown(bool shown) = 0;
    virtual void SetByKindShown(bool shown) = 0;

    // Opacity 0–255 of both windows (they share one).
    virtual int Alpha() const = 0;
    virtual void SetAlpha(int alpha) = 0;
    // The distribution window's size now; setting it also sets the size of later showings.
    virtual QSize DistributionSize() const = 0;
    virtual void SetDistributionSize(const QSize &size) = 0;
    virtual int ScreenHeight() const = 0;
};

// Item windows that never show: what the logic has before the program hands it the real
// ones.
class HiddenItemWindows final : public IItemWindows
{
public:
    DistributionTally &Distribution() override { return m_distribution; }
    KindTally &ByKind() override { return m_byKind; }
    void TallyChanged() override {}
    bool IsDistributionShowing() const override { return false; }
    bool IsByKindShowing() const override { return false; }
    void SetDistributionShown(bool) override {}
    void SetByKindShown(bool) override {}
    int Alpha() const override { return 255; }
    void SetAlpha(int) override {}
    QSize DistributionSize() const override { return {203, 111}; }
    void SetDistributionSize(const QSize &) override {}
    int ScreenHeight() const override { return 768; }

private:
    DistributionTally m_distribution;
    KindTally m_byKind;
};
