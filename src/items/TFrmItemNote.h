#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// The note dialog of one item: category, rarity and a note of several lines. It shows the
// item's whole database line and hands out the text that replaces it. Enter in the note
// starts a new line.
class TFrmItemNote : public QDialog
{
    Q_OBJECT
public:
    explicit TFrmItemNote(QWidget *parent = nullptr);

    void SetItem(const QString &name, const QString &line);
    // Category TAB rarity TAB note lines joined by TABs; set by OK.
    const QString &Result() const { return m_result; }

    void FormShow();
    void bbtnOKClick();

    QLabel *Label1 = nullptr;
    QLabel *lblItem = nullptr;
    QComboBox *cmbD1 = nullptr;
    QComboBox *cmbD2 = nullptr;
    QPlainTextEdit *note = nullptr;
    QPushButton *bbtnOK = nullptr;
    QPushButton *bbtnCancel = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    QString m_name;
    QString m_line;
    QString m_result;
};
