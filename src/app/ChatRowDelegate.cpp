#include "app/ChatRowDelegate.h"

#include "logs/ChatRowsModel.h"
#include "widgets/Colours.h"

void ChatRowDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    const QVariant text = index.data(ChatRowsModel::TextColourRole);
    if (text.isValid())
        option->palette.setColor(QPalette::Text, kiv::ui::FromBgr(text.toUInt()));
    const QVariant background = index.data(ChatRowsModel::BackgroundColourRole);
    if (background.isValid())
        option->backgroundBrush = kiv::ui::FromBgr(background.toUInt());
    if (index.data(ChatRowsModel::BoldRole).toBool())
        option->font.setBold(true);
}
