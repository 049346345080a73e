#pragma once

#include "items/IItemWindows.h"

#include <QPointer>
#include <QTimer>

#include <chrono>

class TInfoGrid;
class TInfoGridHin;

// The item windows of the program behind the logic's seam. Windows that are gone count
// as hidden; their tallies then live here. A change of the tallies is shown at the end of
// its frame: a reading of thousands of pick-ups redraws the grids once, not once each.
class QtItemWindows final : public IItemWindows
{
public:
    QtItemWindows(TInfoGrid *distribution, TInfoGridHin *byKind,
                  std::chrono::milliseconds frame = std::chrono::milliseconds(0));

    DistributionTally &Distribution() override;
    KindTally &ByKind() override;
    void TallyChanged() override;
    bool IsDistributionShowing() const override;
    bool IsByKindShowing() const override;
    void SetDistributionShown(bool shown) override;
    void SetByKindShown(bool shown) override;
    int Alpha() const override;
    void SetAlpha(int alpha) override;
    QSize DistributionSize() const override;
    void SetDistributionSize(const QSize &size) override;
    int ScreenHeight() const override;

private:
    // Shows the change that waited for the end of its frame.
    void ShowWaitingChange();

    QPointer<TInfoGrid> m_distribution;
    QPointer<TInfoGridHin> m_byKind;
    HiddenItemWindows m_gone;
    QTimer m_frame;
};
