#pragma once

#include "roster/IdNotes.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// The note dialog of one player ID: companion flag, rank and note. The rank names come
// from the settings file each time the dialog shows, so a rank renamed in the settings
// dialog shows here at once. Enter in the note starts a new line.
class TFrmIdNote : public QDialog
{
    Q_OBJECT
public:
    TFrmIdNote(const QString &settingsPath, QWidget *parent = nullptr);

    // The values handed in; shown by FormShow.
    void SetNote(const QString &id, const kiv::idnote::IdNoteValues &values);
    // The values handed out after OK.
    const kiv::idnote::IdNoteValues &Values() const { return m_values; }

    // What showing does: rank names from the settings file, then the values.
    void FormShow();
    void bbtnOKClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void LimitNote();

    QString m_settingsPath;
    QString m_id;
    kiv::idnote::IdNoteValues m_values;

    QLabel *Label1 = nullptr;
    QLabel *lblID = nullptr;
    QCheckBox *chkD1 = nullptr;
    QLabel *Label2 = nullptr;
    QComboBox *cmbD2 = nullptr;
    QPlainTextEdit *note = nullptr;
    QPushButton *bbtnOK = nullptr;
    QPushButton *bbtnCancel = nullptr;
    QLabel *TntLabel1 = nullptr;
    QLabel *TntLabel4 = nullptr;
    QLabel *TntLabel5 = nullptr;
    QLabel *lblD3 = nullptr;
    QLabel *lblD4 = nullptr;
    QLabel *lblD5 = nullptr;
};
