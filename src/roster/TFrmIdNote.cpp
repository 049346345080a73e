#include "roster/TFrmIdNote.h"

#include "core/AppState.h"
#include "platform/ProfileFile.h"
#include "widgets/Colours.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTextCursor>

#include <cmath>

namespace {

constexpr int kRankRowHeight = 13;

double Luminance(const QColor &c)
{
    auto channel = [](int v) {
        const double s = v / 255.0;
        return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.red()) + 0.7152 * channel(c.green()) + 0.0722 * channel(c.blue());
}

double Contrast(const QColor &a, const QColor &b)
{
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Rows of the rank list: the rank's background with its name in the dialog's text
// colour for that rank, at the row's top-left corner.
class RankRowDelegate final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const int rank = index.row();
        if (!index.isValid() || rank < 0 || rank >= kiv::idnote::kRankCount)
            return;
        painter->save();
        painter->fillRect(option.rect, kiv::ui::FromBgr(kRankColours[size_t(rank)].background));
        QFont font = option.font;
        font.setBold(false);
        painter->setFont(font);
        const QColor background = kiv::ui::FromBgr(kRankColours[size_t(rank)].background);
        const QColor text = kiv::ui::FromBgr(kiv::idnote::kDialogRankText[size_t(rank)]);
        const QRect at = option.rect.adjusted(1, 0, 0, 0);
        const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine;
        const QString name = index.data().toString();
        // White on light grey or on yellow can hardly be read: such names get a thin
        // dark edge, and keep their colours.
        if (Contrast(text, background) < 3.0) {
            painter->setPen(Luminance(text) > 0.5 ? QColor(0x40, 0x40, 0x40) : QColor(Qt::white));
            for (const QPoint d : {QPoint(-1, 0), QPoint(1, 0), QPoint(0, -1), QPoint(0, 1)})
                painter->drawText(at.translated(d), flags, name);
        }
        painter->setPen(text);
        painter->drawText(at, flags, name);
        if (option.state & QStyle::State_Selected) {
            painter->setPen(QPen(option.palette.color(QPalette::Highlight), 1, Qt::DotLine));
            painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
        }
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return {QStyledItemDelegate::sizeHint(option, index).width(), kRankRowHeight};
    }
};

QLabel *MakeLabel(QWidget *parent, const char *name, const QString &text, const QRect &geometry)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    return label;
}

} // namespace

TFrmIdNote::TFrmIdNote(const QString &settingsPath, QWidget *parent)
    : QDialog(parent)
    , m_settingsPath(settingsPath)
{
    setObjectName(QStringLiteral("FrmIdNote"));
    setWindowTitle(QString());
    setFixedSize(458, 230);
    QFont font(QStringLiteral("MS UI Gothic"));
    font.setPixelSize(13);
    setFont(font);

    Label1 = MakeLabel(this, "Label1", QStringLiteral("ID:"), {16, 12, 24, 18});
    lblID = MakeLabel(this, "lblID", QStringLiteral("00000000"), {44, 10, 96, 20});
    lblID->setAlignment(Qt::AlignCenter);
    lblID->setAutoFillBackground(true);
    QPalette idPalette = lblID->palette();
    idPalette.setColor(QPalette::Window, Qt::white);
    idPalette.setColor(QPalette::WindowText, Qt::blue);
    lblID->setPalette(idPalette);

    chkD1 = new QCheckBox(QStringLiteral("　同伴フラグ"), this);
    chkD1->setObjectName(QStringLiteral("chkD1"));
    chkD1->setGeometry(160, 10, 130, 20);

    Label2 = MakeLabel(this, "Label2", QStringLiteral("ランクカラー"), {16, 42, 84, 18});
    cmbD2 = new QComboBox(this);
    cmbD2->setObjectName(QStringLiteral("cmbD2"));
    cmbD2->setGeometry(100, 39, 170, 22);
    cmbD2->setMaxVisibleItems(11);
    cmbD2->setItemDelegate(new RankRowDelegate(cmbD2));

    // The reserved numbers are kept and shown nowhere.
    TntLabel1 = MakeLabel(this, "TntLabel1", QStringLiteral("予備"), {300, 12, 30, 18});
    TntLabel4 = MakeLabel(this, "TntLabel4", QStringLiteral("予備"), {300, 30, 30, 18});
    TntLabel5 = MakeLabel(this, "TntLabel5", QStringLiteral("予備"), {300, 48, 30, 18});
    lblD3 = MakeLabel(this, "lblD3", QStringLiteral("0"), {336, 12, 20, 18});
    lblD4 = MakeLabel(this, "lblD4", QStringLiteral("0"), {336, 30, 20, 18});
    lblD5 = MakeLabel(this, "lblD5", QStringLiteral("0"), {336, 48, 20, 18});
    for (QLabel *hidden : {TntLabel1, TntLabel4, TntLabel5, lblD3, lblD4, lblD5})
        hidden->hide();

    note = new QPlainTextEdit(this);
    note->setObjectName(QStringLiteral("note"));
    note->setGeometry(16, 68, 426, 120);
    note->setAttribute(Qt::WA_InputMethodEnabled, true);
    note->setTabChangesFocus(true);
    connect(note, &QPlainTextEdit::textChanged, this, &TFrmIdNote::LimitNote);

    bbtnOK = new QPushButton(QStringLiteral("書き込み"), this);
    bbtnOK->setObjectName(QStringLiteral("bbtnOK"));
    bbtnOK->setGeometry(262, 196, 85, 25);
    bbtnOK->setDefault(true);
    bbtnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    bbtnCancel->setObjectName(QStringLiteral("bbtnCancel"));
    bbtnCancel->setGeometry(357, 196, 85, 25);
    connect(bbtnOK, &QPushButton::clicked, this, &TFrmIdNote::bbtnOKClick);
    connect(bbtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TFrmIdNote::SetNote(const QString &id, const kiv::idnote::IdNoteValues &values)
{
    m_id = id;
    m_values = values;
}

void TFrmIdNote::LimitNote()
{
    const QString text = note->toPlainText();
    if (text.size() <= kiv::idnote::kNoteLimit)
        return;
    const QSignalBlocker block(note);
    note->setPlainText(text.left(kiv::idnote::kNoteLimit));
    note->moveCursor(QTextCursor::End);
}

void TFrmIdNote::FormShow()
{
    cmbD2->clear();
    ProfileFile ini(m_settingsPath);
    if (!m_settingsPath.isEmpty() && ini.Load() && ini.Exists()) {
        for (int r = 0; r < kiv::idnote::kRankCount; ++r)
            cmbD2->addItem(ini.ReadString(QStringLiteral("Rnk"), QStringLiteral("Rnk%1").arg(r)));
    }
    lblID->setText(m_id);
    chkD1->setChecked(m_values.companion != 0);
    // A rank beyond the list's rows selects nothing.
    cmbD2->setCurrentIndex(m_values.rank >= 0 && m_values.rank < cmbD2->count() ? m_values.rank : -1);
    lblD3->setText(QString::number(m_values.reserved[0]));
    lblD4->setText(QString::number(m_values.reserved[1]));
    lblD5->setText(QString::number(m_values.reserved[2]));
    note->setPlainText(kiv::idnote::NoteForEditor(m_values.note));
    note->moveCursor(QTextCursor::End);
}

void TFrmIdNote::bbtnOKClick()
{
    m_values.companion = chkD1->isChecked() ? 1 : 0;
    m_values.rank = std::max(cmbD2->currentIndex(), 0);
    m_values.reserved = {0, 0, 0};
    m_values.note = kiv::idnote::NoteFromEditor(note->toPlainText());
    accept();
}

void TFrmIdNote::showEvent(QShowEvent *event)
{
    FormShow();
    if (parentWidget()) {
        const QRect owner = parentWidget()->window()->frameGeometry();
        move(owner.center() - QPoint(width() / 2, height() / 2));
    }
    note->setFocus();
    QDialog::showEvent(event);
}
