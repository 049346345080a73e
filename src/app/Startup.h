#pragma once

#include "core/AppState.h"
#include "core/Digits.h"

#include <QDate>
#include <QSize>

class IClock;
class IPrompts;
class ProfileFile;

struct StartupContext
{
    QString programFolder; // ends with a separator
    QString settingsPath;
    IPrompts &prompts;
    const IClock &clock;
    // The main window's size when the settings are read (defaults of the view sizes).
    QSize mainWindowSize{680, 203};
};

inline const QString kAskLogFolder = QStringLiteral("KIVのインストールフォルダよりLOGフォルダを選択してください");
inline const QString kChooseFolderTitle = QStringLiteral("フォルダを選んで下さい");
inline const QString kAskOwnId = QStringLiteral("8桁のKIVのIDを登録してください。");

// The start-up steps that hold logic: settings, LOG folder, own ID, the four lists, the
// rare-item list and the day's log names, in that order.
void RunStartup(AppState &state, const StartupContext &context);

// Steps one by one, for the places that need them again.
void ReadStartSettings(AppState &state, const ProfileFile &settings, QSize mainWindowSize);
void AskLogFolder(AppState &state, IPrompts &prompts);
void AskOwnId(AppState &state, IPrompts &prompts);
void LoadLists(AppState &state, IPrompts &prompts);

// Loads one list file of the program folder the standard way: kept sorted and free of
// duplicates while loading, created empty when missing, unsorted afterwards. A file
// that exists but cannot be read leaves the list empty and protected from saving, and
// the user is told once.
void LoadProgramList(TStrDBListUni &list, const QString &folder, const QString &name, IPrompts &prompts);
// Saves one list file; a failure is reported with the file's name. A list whose file
// could not be read never writes over it: what it holds goes to "<name>.new" beside it
// and the user is told where. Returns true only when the list's own file was saved.
bool SaveProgramList(const TStrDBListUni &list, const QString &folder, const QString &name, IPrompts &prompts);
