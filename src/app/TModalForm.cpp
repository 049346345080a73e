#include "app/TModalForm.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QScreen>

#include <algorithm>

TModalForm::TModalForm(QWidget *parent)
    : TIForm01(parent, Qt::Dialog)
{
    setWindowModality(Qt::ApplicationModal);
}

int TModalForm::Exec()
{
    m_result = Cancel;
    show();
    QEventLoop loop;
    m_loop = &loop;
    loop.exec(QEventLoop::DialogExec);
    return m_result;
}

void TModalForm::Done(int result)
{
    m_result = result;
    hide();
    if (m_loop)
        m_loop->quit();
}

void TModalForm::closeEvent(QCloseEvent *event)
{
    event->accept();
    Done(Cancel);
}

void TModalForm::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        Done(Cancel);
        return;
    }
    TIForm01::keyPressEvent(event);
}

void TModalForm::CentreOn(const QWidget *owner)
{
    if (!owner)
        return;
    QRect frame(QPoint(), size());
    frame.moveCenter(owner->geometry().center());
    // A main window at the screen's edge would put half the dialog off the screen.
    if (const QScreen *screen = owner->screen()) {
        const QRect area = screen->availableGeometry();
        frame.moveLeft(std::clamp(frame.left(), area.left(), std::max(area.left(), area.right() - frame.width())));
        frame.moveTop(std::clamp(frame.top(), area.top(), std::max(area.top(), area.bottom() - frame.height())));
    }
    move(frame.topLeft());
}
