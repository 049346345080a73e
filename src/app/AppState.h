#pragma once

#include "roster/strDBListUniU.h"

#include <QString>
#include <QStringList>

#include <array>

inline const QString kNoOwnId = QStringLiteral("00000000");
inline const QString kProgramVersion = QStringLiteral("0.83β");
inline const QString kDesignCaption = QStringLiteral("KivReader");

// Text and background colour of one rank, as 0x00BBGGRR values.
struct RankColour
{
    unsigned text;
    unsigned background;
};

inline constexpr std::array<RankColour, 10> kRankColours{{
    {0x000000, 0xFFFFFF},
    {0xFFFFFF, 0xEE00EE},
    {0x000000, 0x9090F0},
    {0x000000, 0x00C0F0},
    {0x000000, 0x00C000},
    {0x000000, 0xF0C000},
    {0x000000, 0xAAAAAA},
    {0x000000, 0x50D0F0},
    {0x00FFFF, 0x333333},
    {0x0000FF, 0x000000},
}};

// Sizes of the two views of the main window and their column widths.
struct ViewSizes
{
    int chatWidth = 289;
    int chatHeight = 181;
    std::array<int, 4> chatCol{60, 80, 80, 230};
    int whoWidth = 353;
    int whoHeight = 181;
    std::array<int, 6> whoCol{80, 0, 90, 90, 90, 90};
};

enum class LogKind { Chat = 0, Action = 1, Mail = 2 };
inline constexpr int kLogKindCount = 3;

// Per log kind: the day's file names and the whole content of the current file as last read.
struct DailyLog
{
    QString prefix;
    QString currentName;
    QString nextName;
    QStringList buffer;
};

// Everything the program holds while it runs; owned by the main window, kept free of
// windows so the processors and commands can run against it in a test.
struct AppState
{
    QString programFolder; // ends with a separator
    QString settingsPath;

    QString logDir; // ends with a separator, or empty
    QString ownId = kNoOwnId;
    bool actionLog = true;
    int fontSize = 0; // 0: the views keep their design font
    int style = 0;
    std::array<QString, 10> beepFiles;
    std::array<QString, 10> rankNames;
    ViewSizes views;
    bool viewsFromSettings = false;

    TStrDBListUni roster;
    TStrDBListUni idNotes;
    TStrDBListUni itemDb;
    TStrDBListUni wanted;
    QStringList rareItems;

    std::array<DailyLog, kLogKindCount> logs{{
        {QStringLiteral("ChatLog_"), {}, {}, {}},
        {QStringLiteral("ActionLog_"), {}, {}, {}},
        {QStringLiteral("MailLog_"), {}, {}, {}},
    }};
    bool readingGuard = false;
    // Set at close once the lists and buffers are released; nothing may touch them after.
    bool released = false;

    DailyLog &Log(LogKind kind) { return logs[int(kind)]; }
    const DailyLog &Log(LogKind kind) const { return logs[int(kind)]; }
};

// File names of the program folder.
namespace kiv::names {
inline const QString kRoster = QStringLiteral("Whois.lst");
inline const QString kIdNotes = QStringLiteral("IDNote.lst");
inline const QString kItemDb = QStringLiteral("ItemDB.lst");
inline const QString kWanted = QStringLiteral("Wanted.lst");
inline const QString kArea = QStringLiteral("KivArea.ini");
} // namespace kiv::names
