#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// The modal one-line input dialog (`ShowInputDialog`). Its layout is measured in dialog
// units of its font, so it keeps its proportions with any font: a horizontal unit is a
// quarter of the average width of "A"–"Z" and "a"–"z", a vertical unit an eighth of the
// character height.
class TUserDlg : public QDialog
{
    Q_OBJECT
public:
    TUserDlg(const QString &caption, const QString &prompt, const QString &text, QWidget *owner = nullptr);

    QString Text() const;

    QLabel *PromptLabel() const { return m_prompt; }
    QLineEdit *Edit() const { return m_edit; }
    QPushButton *OkButton() const { return m_ok; }
    QPushButton *CancelButton() const { return m_cancel; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    QLabel *m_prompt;
    QLineEdit *m_edit;
    QPushButton *m_ok;
    QPushButton *m_cancel;
};

// On OK returns true and the edited text; otherwise false and `text` unchanged.
bool ShowInputDialog(QWidget *owner, const QString &caption, const QString &prompt, QString &text);
