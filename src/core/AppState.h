#pragma once

#include "core/strDBListUniU.h"

#include <QByteArray>
#include <QDateTime>
#include <QSet>
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

// Where the reading of one current log file stands. A file that has only grown since is
// read from `bytes` on; anything else is read whole again.
struct LogReadPosition
{
    // End of the last complete line handed on (a line still being written, or a header
    // waiting for its text line, is not counted).
    qint64 bytes = 0;
    // The file's first bytes (up to 4 KiB, never past `bytes`) and the bytes just before
    // `bytes`, as last read: when both are unchanged the file has only grown.
    QByteArray head;
    QByteArray tail;
    // The last complete line ended with a CR at the very end of the text read: a LF that
    // arrives next belongs to that line end.
    bool lfMayFollow = false;
    // A last line ending in ")" is held back after `bytes`, waiting for the line after it.
    bool held = false;
    // When a reading last found the file changed; a held line still there 2 seconds later
    // is handed on as it stands.
    QDateTime stillSince;
    // The file existed but could not be read when it should have been shown as replay
    // text (first showing, day change): its content is shown then once it can be read.
    enum class Pending : char { None, Replay, LoadOnly } pending = Pending::None;
    // What the file looked like at the last reading (the 2-second check compares).
    bool seen = false;
    qint64 seenSize = -1;
    qint64 seenModified = 0; // nanoseconds since 1970
};

// Per log kind: the day's file names and the content of the current file as last read.
struct DailyLog
{
    QString prefix;
    QString currentName;
    QString nextName;
    // The complete lines of the current file handed on, each ended by CR LF, in their code
    // page 932 form (the form the processors receive and readings compare). After the file
    // was cut short, the lines cut away stay behind the first `inFile` characters, so that
    // the same lines written again are not handed on twice.
    QString buffer;
    qsizetype inFile = 0;
    LogReadPosition read;

    // Forgets the current file: nothing of it has been read.
    void ForgetFile()
    {
        buffer.clear();
        inFile = 0;
        read = {};
    }
};

// Everything the program holds while it runs; owned by the main window, kept free of
// windows so the processors and commands can run against it in a test.
struct AppState
{
    QString programFolder; // ends with a separator
    QString settingsPath;

    QString logDir; // ends with a separator, or empty
    // The saved LOG folder when it was missing at start and no other was chosen (a drive
    // not plugged in): it goes back into the settings at close instead of an empty one.
    QString missingLogDir;
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
    QSet<QString> rareItemSet; // the same names, for lookups

    // The pick-up counters of the status bar and the item options of the popup menu.
    int itemPickups = 0;
    int moneyTotal = 0;
    int moneyPickups = 0;
    bool itemSellClear = false;
    bool moneyToPicker = false;

    std::array<DailyLog, kLogKindCount> logs{{
        {QStringLiteral("ChatLog_"), {}, {}, {}, 0, {}},
        {QStringLiteral("ActionLog_"), {}, {}, {}, 0, {}},
        {QStringLiteral("MailLog_"), {}, {}, {}, 0, {}},
    }};
    bool readingGuard = false;
    // A reading was held back by the guard and is owed: the reading running now reads
    // once more when it ends.
    bool readAgain = false;
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
