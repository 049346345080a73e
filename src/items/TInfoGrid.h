#pragma once

#include "items/Tallies.h"
#include "widgets/TSideWindow.h"

class IPrompts;
class QMenu;
class QPushButton;
class TStrColGrid;

// The stay-on-top distribution window: who picked up what, and below it the strip of
// money totals or, with distribution rows, rare items. It draws its tally; the action
// processor and "@item" change it.
class TInfoGrid : public TSideWindow
{
    Q_OBJECT
public:
    explicit TInfoGrid(QWidget *parent = nullptr);

    DistributionTally &Tally() { return m_tally; }
    // Redraws the grids from the tally.
    void Refresh();

    // The number of distribution rows (JRT); with none the two buttons are hidden.
    void SetDistributionRows(int rows);
    void SetFontSize(int size) { m_tally.fontSize = size > 0 ? size : 9; }
    // Where reports go and who hears of a report that could not be written.
    void SetReportFolder(const QString &folder, IPrompts *prompts);

    void bbtnItemClearClick();
    void bbtnBunpaiClearClick();
    void popClearClick();
    void popSaveClick();
    void popCloseClick() { hide(); }

    TStrColGrid *strGrid = nullptr;
    TStrColGrid *strRndGrid = nullptr;
    QPushButton *bbtnItemClear = nullptr;
    QPushButton *bbtnBunpaiClear = nullptr;
    QMenu *PopupMenu = nullptr;

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void LayOut();

    DistributionTally m_tally;
    QString m_reportFolder;
    IPrompts *m_prompts = nullptr;
};
