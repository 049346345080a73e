#include "items/TFrmItemNote.h"

#include "items/ItemDb.h"
#include "items/Tallies.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTextCursor>

#include <functional>

namespace {

// Rows of the category and rarity lists, all of one height, each drawn in the colours
// the item's pick-ups get in the tally windows should that row be chosen (the other
// list's choice staying): the user sees what a choice does before making it.
class ChoiceRowDelegate final : public QStyledItemDelegate
{
public:
    using ColoursOfRow = std::function<kiv::items::CellColours(int row)>;

    ChoiceRowDelegate(ColoursOfRow colours, QObject *parent)
        : QStyledItemDelegate(parent)
        , m_colours(std::move(colours))
    {
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        if (!index.isValid())
            return;
        const kiv::items::CellColours colours = m_colours(index.row());
        painter->save();
        painter->fillRect(option.rect, QColor::fromRgb(colours.background));
        painter->setFont(option.font);
        painter->setPen(QColor::fromRgb(colours.font));
        painter->drawText(option.rect.adjusted(2, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                          index.data().toString());
        // The row under the pointer keeps its colours and is framed instead.
        if (option.state & (QStyle::State_Selected | QStyle::State_MouseOver)) {
            painter->setPen(QPen(option.palette.color(QPalette::Highlight), 1, Qt::DotLine));
            painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
        }
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return {QStyledItemDelegate::sizeHint(option, index).width(), option.fontMetrics.height() + 4};
    }

private:
    ColoursOfRow m_colours;
};

} // namespace

TFrmItemNote::TFrmItemNote(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QString());
    resize(458, 311);
    Label1 = new QLabel(QStringLiteral("Item:"), this);
    lblItem = new QLabel(QStringLiteral("00000000"), this);
    lblItem->setObjectName(QStringLiteral("lblItem"));
    QFont itemFont(QStringLiteral("MS UI Gothic"));
    itemFont.setPixelSize(13);
    lblItem->setFont(itemFont);
    lblItem->setAutoFillBackground(true);
    lblItem->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    lblItem->setStyleSheet(QStringLiteral("color: rgb(0,128,0); background: white;"));
    lblItem->setTextFormat(Qt::PlainText);

    auto list = [this](const char *name) {
        auto *box = new QComboBox(this);
        box->setObjectName(QString::fromLatin1(name));
        box->setMaxVisibleItems(20);
        box->setFocusPolicy(Qt::ClickFocus);
        return box;
    };
    cmbD1 = list("cmbD1");
    for (const QString &category : kiv::itemdb::Categories())
        cmbD1->addItem(category);
    cmbD2 = list("cmbD2");
    for (const QString &rarity : kiv::itemdb::Rarities())
        cmbD2->addItem(rarity);
    // The rarity index is the rarity number; above 6 the item is rare.
    cmbD1->setItemDelegate(new ChoiceRowDelegate(
        [this](int row) {
            return kiv::items::PickupColours(cmbD1->itemText(row), cmbD2->currentIndex() > 6);
        },
        cmbD1));
    cmbD2->setItemDelegate(new ChoiceRowDelegate(
        [this](int row) { return kiv::items::PickupColours(cmbD1->currentText(), row > 6); }, cmbD2));

    note = new QPlainTextEdit(this);
    note->setObjectName(QStringLiteral("note"));
    QFont noteFont(QStringLiteral("ＭＳ ゴシック"));
    noteFont.setPixelSize(13);
    note->setFont(noteFont);
    note->setTabChangesFocus(true);
    // At most 500 characters, as the database line keeps them.
    connect(note, &QPlainTextEdit::textChanged, this, [this] {
        const QString text = note->toPlainText();
        if (text.size() <= 500)
            return;
        note->setPlainText(text.left(500));
        note->moveCursor(QTextCursor::End);
    });

    bbtnOK = new QPushButton(QStringLiteral("書き込み"), this);
    bbtnOK->setObjectName(QStringLiteral("bbtnOK"));
    bbtnOK->setAutoDefault(false);
    bbtnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    bbtnCancel->setObjectName(QStringLiteral("bbtnCancel"));
    bbtnCancel->setAutoDefault(false);
    connect(bbtnOK, &QPushButton::clicked, this, &TFrmItemNote::bbtnOKClick);
    connect(bbtnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *grid = new QGridLayout(this);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(lblItem, 0, 1, 1, 2);
    grid->addWidget(cmbD1, 1, 1);
    grid->addWidget(cmbD2, 1, 2);
    grid->addWidget(note, 2, 0, 1, 3);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(bbtnOK);
    buttons->addWidget(bbtnCancel);
    grid->addLayout(buttons, 3, 0, 1, 3);
}

void TFrmItemNote::SetItem(const QString &name, const QString &line)
{
    m_name = name;
    m_line = line;
}

void TFrmItemNote::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TFrmItemNote::FormShow()
{
    lblItem->setText(m_name);
    const kiv::itemdb::NoteView view = kiv::itemdb::ViewOfLine(m_line);
    cmbD1->setCurrentIndex(view.category);
    cmbD2->setCurrentIndex(view.rarity);
    note->setPlainText(view.noteLines.join(u'\n'));
    note->moveCursor(QTextCursor::End);
    note->setFocus();
}

void TFrmItemNote::bbtnOKClick()
{
    QString text = note->toPlainText();
    text.replace(u'\n', QStringLiteral("\r\n"));
    m_result = kiv::itemdb::NoteResult(cmbD1->currentText(), cmbD2->currentText(), text);
    accept();
}
