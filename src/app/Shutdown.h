#pragma once

#include "core/AppState.h"
#include "platform/IPrompts.h"

#include <QRect>

class ProfileFile;

// What the windows look like at close, as far as the settings file keeps it.
struct SideWindowState
{
    QRect rect;
    bool visible = false;
    int alpha = 255;
};

struct CloseSnapshot
{
    SideWindowState info;
    SideWindowState item;
    SideWindowState itemhin;
    bool itemSellClear = false;
    bool itemSyutoku = false;
    bool itemRandam = true;
    ViewSizes views;
};

inline const QString kCloseRosterFailed = QStringLiteral("ID名簿更新中にエラーが発生しました。KIVIDを確認してください");

// Writes the settings kept at close, in their fixed order.
void WriteCloseSettings(ProfileFile &ini, const AppState &state, const CloseSnapshot &snapshot);

// Remembered position of a window (section = its component name).
void WriteWindowPosition(ProfileFile &ini, const QString &section, const QRect &geometry);
QRect ReadWindowPosition(const ProfileFile &ini, const QString &section, const QRect &current);

// Saves the roster, ID notes and item database, then releases every list and log
// buffer. Returns false when a save failed (it was reported).
bool SaveAndReleaseLists(AppState &state, IPrompts &prompts);

// The prompts of a close at the end of the session (a termination signal, the desktop
// logging out): nobody is there to answer, and a box would hold the logout. Messages go
// to the standard error stream; a question gets the answer that changes nothing.
class SessionEndPrompts final : public IPrompts
{
public:
    void Information(const QString &text) override;
    void Warning(const QString &text) override;
    bool Question(const QString &text) override;
    bool ConfirmUnlessNo(const QString &text) override;
    bool InputQuery(const QString &caption, const QString &prompt, QString &text) override;
    QString ChooseFolder(const QString &title) override;
};
