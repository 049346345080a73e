#include "items/QtItemWindows.h"

#include "items/TInfoGrid.h"
#include "items/TInfoGridHin.h"

#include <QGuiApplication>
#include <QScreen>

QtItemWindows::QtItemWindows(TInfoGrid *distribution, TInfoGridHin *byKind, std::chrono::milliseconds frame)
    : m_distribution(distribution)
    , m_byKind(byKind)
{
    m_frame.setSingleShot(true);
    m_frame.setTimerType(Qt::PreciseTimer);
    m_frame.setInterval(frame);
    QObject::connect(&m_frame, &QTimer::timeout, &m_frame, [this] { ShowWaitingChange(); });
}

DistributionTally &QtItemWindows::Distribution()
{
    return m_distribution ? m_distribution->Tally() : m_gone.Distribution();
}

KindTally &QtItemWindows::ByKind()
{
    return m_byKind ? m_byKind->Tally() : m_gone.ByKind();
}

void QtItemWindows::TallyChanged()
{
    if (!m_frame.isActive())
        m_frame.start();
}

void QtItemWindows::ShowWaitingChange()
{
    if (m_distribution && m_distribution->isVisible())
        m_distribution->Refresh();
    if (m_byKind && m_byKind->isVisible())
        m_byKind->Refresh();
}

bool QtItemWindows::IsDistributionShowing() const
{
    return m_distribution && m_distribution->isVisible();
}

bool QtItemWindows::IsByKindShowing() const
{
    return m_byKind && m_byKind->isVisible();
}

void QtItemWindows::SetDistributionShown(bool shown)
{
    if (m_distribution)
        m_distribution->setVisible(shown);
}

void QtItemWindows::SetByKindShown(bool shown)
{
    if (m_byKind)
        m_byKind->setVisible(shown);
}

int QtItemWindows::Alpha() const
{
    return m_distribution ? m_distribution->Alpha() : 255;
}

void QtItemWindows::SetAlpha(int alpha)
{
    if (m_distribution)
        m_distribution->SetAlpha(alpha);
    if (m_byKind)
        m_byKind->SetAlpha(alpha);
}

QSize QtItemWindows::DistributionSize() const
{
    return m_distribution ? m_distribution->size() : m_gone.DistributionSize();
}

void QtItemWindows::SetDistributionSize(const QSize &size)
{
    if (!m_distribution)
        return;
    m_distribution->resize(size);
    m_distribution->SetRememberedSize(size);
}

int QtItemWindows::ScreenHeight() const
{
    const QScreen *screen = m_distribution && m_distribution->screen() ? m_distribution->screen()
                                                                        : QGuiApplication::primaryScreen();
    return screen ? screen->geometry().height() : 768;
}
