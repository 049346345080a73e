#include "commands/TInfoWindow.h"

#include "widgets/Colours.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

TInfoWindow::TInfoWindow(QWidget *parent)
    : TSideWindow(QStringLiteral("InfoWindow"), parent)
    , m_memo(new QPlainTextEdit(this))
{
    m_memo->setObjectName(QStringLiteral("memInfo"));
    m_memo->setReadOnly(true);
    m_memo->setFrameShape(QFrame::NoFrame);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_memo);
    resize(392, 80);
}

void TInfoWindow::AppendInfoLine(const QString &line)
{
    m_memo->appendPlainText(line);
}

void TInfoWindow::ClearInfo()
{
    m_memo->clear();
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
