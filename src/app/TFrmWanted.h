#pragma once

#include "app/TModalForm.h"

#include "commands/Wanted.h"

class IPrompts;
class ISoundPlayer;
class QComboBox;
class QLabel;
class QMenu;
class QPushButton;
class TStrColGrid;

// What the wanted dialog is opened with: the kind offered ("chat", "item" or none) and
// the selected chat row's text, name and ID as words to pick from.
struct WantedPresets
{
    QString kind;
    QString text;
    QString name;
    QString id;
};

// The wanted list editor: a sentence of kind, word and command, a grid of the entries,
// a test of the chosen sound and OK writing the wanted file.
class TFrmWanted : public TModalForm
{
    Q_OBJECT
public:
    TFrmWanted(const QString &programFolder, const QString &settingsPath, const WantedPresets &presets,
               ISoundPlayer &sound, IPrompts &prompts, QWidget *parent = nullptr);

    // The presets the main window gives for a chat row with this tag, text, name and ID.
    static WantedPresets PresetsOfRow(const QString &tag, const QString &text, const QString &name, const QString &id);

    void btnAddClick();
    void btnTestClick();
    void popDeleteClick();
    // Writes the grid to the wanted file; false (with a message) when nothing was written.
    bool btnOKClick();

    QList<WantedRow> GridRows() const;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void BuildControls();
    void FormShow();

    QString m_programFolder;
    QString m_settingsPath;
    WantedPresets m_presets;
    ISoundPlayer &m_sound;
    IPrompts &m_prompts;
    bool m_shown = false;
    // The file exists but could not be read: OK must not write over it.
    bool m_readFailed = false;
    QString m_readError;

    QComboBox *cmbKind = nullptr;
    QComboBox *cmbWord = nullptr;
    QComboBox *cmbCommand = nullptr;
    QPushButton *btnTest = nullptr;
    QPushButton *btnAdd = nullptr;
    TStrColGrid *grdWanted = nullptr;
    QMenu *popGrid = nullptr;
    QLabel *lblInfo = nullptr;
    QPushButton *btnCancel = nullptr;
    QPushButton *btnOK = nullptr;
};

inline const QString kWantedDescription = QStringLiteral("チャット等の文字に反応して、アラームを鳴らす機能です。");
inline const QString kWantedNoEquals = QStringLiteral("手抜きでごめんなさい\n =を含む文字だけは非対応です。");
inline const QString kWantedNotRead = QStringLiteral("wanted.lst を読み込めなかったため、書き込みませんでした");
inline const QString kWantedNotWritten = QStringLiteral("wanted.lst を書き込めませんでした");
