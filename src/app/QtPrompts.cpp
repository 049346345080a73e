#include "app/QtPrompts.h"

#include "core/AppState.h"
#include "commands/UserDlg.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace {

// Message boxes carry the program's name; window titles are left as the windows set
// them (an application display name would be appended to every one).
QString Caption()
{
    return kDesignCaption;
}

} // namespace

void QtPrompts::Information(const QString &text)
{
    QMessageBox::information(m_owner, Caption(), text, QMessageBox::Ok);
}

void QtPrompts::Warning(const QString &text)
{
    QMessageBox::warning(m_owner, Caption(), text, QMessageBox::Ok);
}

bool QtPrompts::Question(const QString &text)
{
    return QMessageBox::question(m_owner, Caption(), text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

bool QtPrompts::InputQuery(const QString &caption, const QString &prompt, QString &text)
{
    return ShowInputDialog(m_owner, caption, prompt, text);
}

QString QtPrompts::ChooseFolder(const QString &title)
{
    return QFileDialog::getExistingDirectory(m_owner, title, QString(), QFileDialog::ShowDirsOnly);
}
