#pragma once

#include <QString>

struct AppState;
class IChatRows;
class IInfoOutput;
class IItemWindows;
class IPrompts;
class IStatusText;

// "@item": shows or hides the item windows, clears them, sets their opacity and the
// distribution window's size, lists or searches the item database in the chat view and
// exports it as "ItemDB.TSV". Each subcommand is looked for as a substring of the words,
// on its own, so one text may run several.
class ItemCommand
{
public:
    ItemCommand(AppState &state, IChatRows &rows, IInfoOutput &info, IStatusText &status, IPrompts &prompts);

    void SetItemWindows(IItemWindows *windows) { m_windows = windows; }

    void Run(const QString &text);

private:
    void Toggle();
    void Size(const QString &text, const QStringList &words);
    void AddListRow(QStringView name, QStringView rarity);
    void Output();

    AppState &m_state;
    IChatRows &m_rows;
    IInfoOutput &m_info;
    IStatusText &m_status;
    IPrompts &m_prompts;
    IItemWindows *m_windows = nullptr;
};
