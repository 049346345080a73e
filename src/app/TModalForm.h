#pragma once

#include "app/TIForm01.h"

#include <QPointer>

class QEventLoop;

// A program dialog on the remembered-window base, run modally: Exec() shows it and
// returns once Done() was called or the window was closed (a close is a cancel).
class TModalForm : public TIForm01
{
    Q_OBJECT
public:
    enum Result { Cancel = 0, OK = 1 };

    explicit TModalForm(QWidget *parent = nullptr);

    int Exec();
    void Done(int result);
    int ResultCode() const { return m_result; }

protected:
    // Centres the dialog on `owner`, kept on the owner's screen.
    void CentreOn(const QWidget *owner);
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QPointer<QEventLoop> m_loop;
    int m_result = Cancel;
};
