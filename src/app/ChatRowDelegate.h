#pragma once

#include <QStyledItemDelegate>

// Draws chat cells in the colours their row's tag gives.
class ChatRowDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;
};
