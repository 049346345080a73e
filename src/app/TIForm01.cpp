#include "app/TIForm01.h"

#include "app/Layout.h"
#include "app/Shutdown.h"
#include "platform/ProfileFile.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QScreen>
#include <QTimer>

TIForm01::TIForm01(QWidget *parent, Qt::WindowFlags flags)
    : QWidget(parent, flags)
{
    QFont font(QStringLiteral("MS UI Gothic"));
    font.setPixelSize(13);
    setFont(font);
    // Controls made later (pages filled on demand, rows of a dialog) are watched as they
    // arrive, so the keys typed in them reach the form first like in any other control.
    installEventFilter(this);
}

void TIForm01::RestorePosition(const ProfileFile &ini)
{
    if (m_rememberPosition != 1)
        return;
    QRect r = ReadWindowPosition(ini, ComponentName(), QRect(pos(), size()));
    // A size of nothing or less, edited by hand, keeps the designed one.
    if (r.width() < 1)
        r.setWidth(width());
    if (r.height() < 1)
        r.setHeight(height());
    // The place is the frame's and the size the client area's: the frame, where the
    // desktop has drawn it already, must fit on the screen too.
    const QSize frame = (frameGeometry().size() - size()).expandedTo(QSize(0, 0));
    r = KeptOnScreen(QRect(r.topLeft(), r.size() + frame), AvailableScreenAreas());
    move(r.left(), r.top());
    resize(r.size() - frame);
}

void TIForm01::SavePosition(ProfileFile &ini) const
{
    if (m_rememberPosition != 1)
        return;
    WriteWindowPosition(ini, ComponentName(), QRect(pos(), size()));
}

void TIForm01::Watch(QWidget *widget)
{
    widget->installEventFilter(this);
    const QList<QWidget *> children = widget->findChildren<QWidget *>();
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
    if (event->type() == QEvent::ChildAdded) {
        // Installing twice keeps one filter, so a child seen again is harmless.
        QObject *child = static_cast<QChildEvent *>(event)->child();
        if (child->isWidgetType())
            Watch(static_cast<QWidget *>(child));
        return QWidget::eventFilter(watched, event);
    }
    // Keys of the form itself reach keyPressEvent; keys of other windows (menus, dialogs
    // owned by this one) are theirs.
    if (event->type() == QEvent::KeyPress && watched != this && watched == QApplication::focusWidget()
        && static_cast<QWidget *>(watched)->window() == this) {
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

QList<QRect> AvailableScreenAreas()
{
    QList<QRect> areas;
    const QScreen *primary = QGuiApplication::primaryScreen();
    if (primary)
        areas.append(primary->availableGeometry());
    for (const QScreen *screen : QGuiApplication::screens()) {
        if (screen != primary)
            areas.append(screen->availableGeometry());
    }
    return areas;
}
