#pragma once

#include <QStyledItemDelegate>

// Draws roster cells from what their row keeps: the ID in its rank's colours, the
// latest name blue and bold, everything else black on white.
class RosterRowDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;
};
