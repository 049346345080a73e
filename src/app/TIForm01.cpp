#include "app/TIForm01.h"

#include "app/Shutdown.h"
#include "platform/ProfileFile.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QTimer>

TIForm01::TIForm01(QWidget *parent, Qt::WindowFlags flags)
    : QWidget(parent, flags)
{
    QFont font(QStringLiteral("MS UI Gothic"));
    font.setPixelSize(13);
    setFont(font);
}

void TIForm01::RestorePosition(const ProfileFile &ini)
{
    if (m_rememberPosition != 1)
        return;
    const QRect r = ReadWindowPosition(ini, ComponentName(), QRect(pos(), size()));
    move(r.left(), r.top());
    resize(std::max(r.width(), 1), std::max(r.height(), 1));
}

void TIForm01::SavePosition(ProfileFile &ini) const
{
    if (m_rememberPosition != 1)
        return;
    WriteWindowPosition(ini, ComponentName(), QRect(pos(), size()));
}

void TIForm01::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_watching)
        WatchChildren();
}

void TIForm01::WatchChildren()
{
    m_watching = true;
    const QList<QWidget *> children = findChildren<QWidget *>();
    for (QWidget *child : children)
        child->installEventFilter(this);
}

bool TIForm01::ApplyEnterRule(QWidget *focused, int key)
{
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return false;
    if (!focused || !isAncestorOf(focused))
        return false;
    // The coloured string grids keep Enter; every other control passes the focus on.
    if (focused->inherits("TStrColGrid"))
        return false;
    // Moved after the key has been handled, as a posted request.
    QTimer::singleShot(0, this, [this] { focusNextChild(); });
    return true;
}

bool TIForm01::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && watched == QApplication::focusWidget()) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (UsesEnterRule() && ApplyEnterRule(static_cast<QWidget *>(watched), key->key()))
            return true;
        if (HandleFormKey(key))
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TIForm01::keyPressEvent(QKeyEvent *event)
{
    // Keys that reach the window itself (no control has the focus).
    if (HandleFormKey(event))
        return;
    QWidget::keyPressEvent(event);
}
