#include "roster/RosterRowDelegate.h"

#include "roster/RosterRowsModel.h"
#include "widgets/Colours.h"

void RosterRowDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    const QVariant text = index.data(RosterRowsModel::TextColourRole);
    if (text.isValid())
        option->palette.setColor(QPalette::Text, kiv::ui::FromBgr(text.toUInt()));
    const QVariant background = index.data(RosterRowsModel::BackgroundColourRole);
    if (background.isValid())
        option->backgroundBrush = kiv::ui::FromBgr(background.toUInt());
    option->font.setBold(index.data(RosterRowsModel::BoldRole).toBool());
}
