#pragma once

#include "items/Tallies.h"
#include "widgets/TSideWindow.h"

class IPrompts;
class QMenu;
class TStrColGrid;

// The stay-on-top items-by-kind window: one row per item, one column per member, the
// quantities each picked up. Every showing starts an empty tally.
class TInfoGridHin : public TSideWindow
{
    Q_OBJECT
public:
    explicit TInfoGridHin(QWidget *parent = nullptr);

    KindTally &Tally() { return m_tally; }
    void Refresh();

    void SetFontSize(int size) { m_tally.fontSize = size > 0 ? size : 9; }
    void SetReportFolder(const QString &folder, IPrompts *prompts);

    void popClearClick();
    void popSaveClick();
    void popCloseClick() { hide(); }

    TStrColGrid *strGrid = nullptr;
    QMenu *PopupMenu = nullptr;

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    KindTally m_tally;
    QString m_reportFolder;
    IPrompts *m_prompts = nullptr;
};
