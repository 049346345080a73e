#include "app/TModalForm.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>

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
