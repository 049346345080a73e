#include "commands/UserDlg.h"

#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

struct DialogUnits
{
    double x; // pixels per horizontal unit
    double y; // pixels per vertical unit

    int H(double units) const { return int(units * x + 0.5); }
    int V(double units) const { return int(units * y + 0.5); }
};

DialogUnits UnitsOf(const QFont &font)
{
    const QFontMetrics metrics(font);
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const double average = metrics.horizontalAdvance(letters) / 52.0;
    return {average / 4.0, metrics.height() / 8.0};
}

} // namespace

TUserDlg::TUserDlg(const QString &caption, const QString &prompt, const QString &text, QWidget *owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_prompt(new QLabel(prompt, this))
    , m_edit(new QLineEdit(this))
    , m_ok(new QPushButton(QStringLiteral("OK"), this))
    , m_cancel(new QPushButton(QStringLiteral("キャンセル"), this))
{
    setObjectName(QStringLiteral("UserDlg"));
    setWindowTitle(caption);
    setModal(true);
    m_prompt->setObjectName(QStringLiteral("lblPrompt"));
    m_edit->setObjectName(QStringLiteral("edtInput"));
    m_ok->setObjectName(QStringLiteral("bbtnOK"));
    m_cancel->setObjectName(QStringLiteral("bbtnCancel"));

    const DialogUnits du = UnitsOf(font());
    const int left = du.H(8);
    const int width = du.H(164);

    m_prompt->setTextFormat(Qt::PlainText);
    m_prompt->setWordWrap(true);
    m_prompt->move(left, du.V(8));
    m_prompt->setFixedWidth(width);
    m_prompt->setFixedHeight(m_prompt->heightForWidth(width) > 0 ? m_prompt->heightForWidth(width)
                                                                  : m_prompt->sizeHint().height());

    m_edit->setMaxLength(255);
    m_edit->setText(text.left(255));
    m_edit->setGeometry(left, m_prompt->geometry().bottom() + 1 + 5, width, m_edit->sizeHint().height());

    const int buttonTop = m_edit->geometry().bottom() + 1 + 15;
    m_ok->setGeometry(du.H(38), buttonTop, du.H(50), du.V(14));
    m_cancel->setGeometry(du.H(92), buttonTop, du.H(50), du.V(14));
    m_ok->setDefault(true);
    m_ok->setAutoDefault(true);
    m_cancel->setAutoDefault(false);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject); // Escape rejects too

    setFixedSize(du.H(180), m_ok->geometry().bottom() + 1 + 13);
}

QString TUserDlg::Text() const
{
    return m_edit->text();
}

void TUserDlg::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (QWidget *owner = parentWidget()) {
        const QRect frame = owner->window()->frameGeometry();
        move(frame.center() - rect().center());
    }
    m_edit->setFocus();
    m_edit->deselect();
    m_edit->setCursorPosition(m_edit->text().size());
}

bool ShowInputDialog(QWidget *owner, const QString &caption, const QString &prompt, QString &text)
{
    TUserDlg dialog(caption, prompt, text, owner);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    text = dialog.Text();
    return true;
}
