#include "commands/TInfoWindow.h"

#include "widgets/Colours.h"
#include "widgets/FlatScrollBarStyle.h"

#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

QFont InfoFont(int points)
{
    QFont font(QStringLiteral("ＭＳ ゴシック"));
    if (points > 0)
        font.setPointSize(points);
    else
        font.setPixelSize(13);
    return font;
}

} // namespace

TInfoWindow::TInfoWindow(QWidget *parent)
    : TSideWindow(QStringLiteral("InfoWindow"), parent)
    , m_memo(new QPlainTextEdit(this))
    , m_menu(new QMenu(this))
{
    m_memo->setObjectName(QStringLiteral("Info"));
    m_memo->setReadOnly(true);
    m_memo->setFrameShape(QFrame::NoFrame);
    m_memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Redrawn at every line a command or a rebuild adds.
    UseFlatScrollBars(m_memo);
    m_memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_memo->setFont(InfoFont(0));
    m_memo->viewport()->setCursor(Qt::ArrowCursor);
    m_memo->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_memo, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &p) { m_menu->popup(m_memo->viewport()->mapToGlobal(p)); });

    QAction *close = m_menu->addAction(QStringLiteral("閉じる(&Q)"));
    close->setObjectName(QStringLiteral("popClose"));
    connect(close, &QAction::triggered, this, &TInfoWindow::HideInfo);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_memo);
    resize(392, 80);
    SetAlpha(220);
    AddDragSource(this);
    AddDragSource(m_memo->viewport());
}

void TInfoWindow::AppendInfoLine(const QString &line)
{
    m_memo->appendPlainText(line);
}

void TInfoWindow::ClearInfo()
{
    m_memo->clear();
}

void TInfoWindow::ShowInfo()
{
    show();
    raise();
}

QString TInfoWindow::InfoText() const
{
    return m_memo->toPlainText();
}

void TInfoWindow::SetInfoColours(unsigned text, unsigned background)
{
    QPalette p = m_memo->palette();
    p.setColor(QPalette::Text, kiv::ui::FromBgr(text));
    p.setColor(QPalette::Base, kiv::ui::FromBgr(background));
    m_memo->setPalette(p);
}

void TInfoWindow::showEvent(QShowEvent *event)
{
    m_memo->setFont(InfoFont(m_fontSize));
    TSideWindow::showEvent(event);
}
