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

// Messages carry file names and list entries, shown as they are, never as markup.
QMessageBox::StandardButton Ask(QWidget *owner, QMessageBox::Icon icon, const QString &text,
                                QMessageBox::StandardButtons buttons)
{
    QMessageBox box(icon, Caption(), text, buttons, owner);
    box.setTextFormat(Qt::PlainText);
    return QMessageBox::StandardButton(box.exec());
}

} // namespace

void QtPrompts::Information(const QString &text)
{
    Ask(m_owner, QMessageBox::Information, text, QMessageBox::Ok);
}

void QtPrompts::Warning(const QString &text)
{
    Ask(m_owner, QMessageBox::Warning, text, QMessageBox::Ok);
}

bool QtPrompts::Question(const QString &text)
{
    return Ask(m_owner, QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

bool QtPrompts::ConfirmUnlessNo(const QString &text)
{
    // A message box takes Escape and its close button as No when it has a No button; here
    // only No itself refuses, so the escape button is Yes.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(QMessageBox::Information, Caption(), shown, QMessageBox::Yes | QMessageBox::No, m_owner);
    box.setTextFormat(Qt::PlainText);
    box.setEscapeButton(QMessageBox::Yes);
    box.exec();
    return box.clickedButton() != box.button(QMessageBox::No);
}

bool QtPrompts::InputQuery(const QString &caption, const QString &prompt, QString &text)
{
    return ShowInputDialog(m_owner, caption, prompt, text);
}

QString QtPrompts::ChooseFolder(const QString &title)
{
    return QFileDialog::getExistingDirectory(m_owner, title, QString(), QFileDialog::ShowDirsOnly);
}
