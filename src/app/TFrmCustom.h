#pragma once

#include "app/TModalForm.h"

#include <array>

class IPrompts;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;
class QPushButton;
class TNumberEdit;

// What the settings dialog takes from the main window and hands back on OK.
struct CustomValues
{
    QString ownId;
    bool actionLog = true;
    int style = 0;
    int fontSize = 0;
};

// The settings dialog: own ID, action log replay, window style and font size go back
// to the main window; font size, sound names and rank names are written to the settings
// file by the dialog itself, and only when that file exists.
class TFrmCustom : public TModalForm
{
    Q_OBJECT
public:
    TFrmCustom(const QString &settingsPath, const CustomValues &values, IPrompts &prompts,
               QWidget *parent = nullptr);

    const CustomValues &Values() const { return m_values; }
    // OK: takes the fields and writes the settings file; false (and a message) when
    // the file could not be written, in which case the dialog stays open.
    bool bbtnOKClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void BuildControls();
    void FormShow();

    QString m_settingsPath;
    CustomValues m_values;
    IPrompts &m_prompts;
    bool m_shown = false;

    TNumberEdit *edtMyID = nullptr;
    QCheckBox *chkAction = nullptr;
    QRadioButton *rbtWinStyle0 = nullptr;
    QRadioButton *rbtWinStyle1 = nullptr;
    QComboBox *cmbFont = nullptr;
    std::array<QLineEdit *, 10> edtRnk{};
    std::array<QLineEdit *, 10> edtBeep{};
    QPushButton *bbtnOK = nullptr;
    QPushButton *BitBtn1 = nullptr;
};

inline const QString kCustomSaveFailed = QStringLiteral("設定を書き込めませんでした");
