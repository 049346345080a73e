#pragma once

#include "core/AppState.h"
#include "logs/ILogProcessors.h"
#include "platform/IClock.h"
#include "platform/ReadOnlyFile.h"

#include <QDateTime>

#include <QString>
#include <QStringList>

#include <algorithm>
#include <array>
#include <optional>

class IClock;

// How many bytes to ask for next, `left` being what the file had beyond the place read to
// when it was looked at: that and one byte, so that a short read tells the end, or a whole
// piece once the file has grown past that look while it was read. No more than `readSize`.
qint64 NextReadBytes(qint64 left, qint64 readSize);

// Reads the day's chat, action and mail files of the LOG folder and hands their text to
// the processors: whole at the first showing and when the game starts a later day's
// files (replay mode), and afterwards only what was appended (live mode). A kind whose
// next day's file never appears (a day without mail) moves to the newest file up to
// today once the clock has passed that day; the old file's last lines go on first.
//
// Each line is handed on once, when its line end has been written: a line the game is
// still writing is held back until it is complete. In the chat and mail files a last line
// ending in ")" is held back as well until the line after it has arrived: a record's
// header ends so, and the processors join it to its text only when both come in one
// text. Such a line goes on as it stands at the first showing, at a day change and once
// the file has stayed unchanged for 2 seconds. Files are read a piece at a time. A file
// that has only grown is read from where the last reading stopped; a file cut short,
// replaced or rewritten is read whole, and only its lines after those it shares with
// what was handed before go on. NUL characters are skipped.
//
// It owns nothing: names, buffers and the reading guard live in AppState, so the main
// window, the folder watch's callback and the 2-second check all work on the same state.
// Main thread only.
class LogReader
{
public:
    LogReader(AppState &state, ILogProcessors &processors, const IClock &clock);

    // At the main window's first showing: today's chat, action and mail files whole, in
    // replay mode; the action text only with the ActionLog setting on.
    void FirstShowing();

    // After a change in the LOG folder: moves to the next day's files once the game has
    // created them (their content in replay mode), then hands what was appended to the
    // current files on in live mode. Does nothing inside another reading, after the
    // buffers were released, or without a LOG folder.
    // `namesMayHaveChanged` false (the folder watch knows that only files' contents
    // changed since the last reading): on the same day and folder, the next day's files
    // and the current files that were missing are not looked for again.
    void ReadNewLogText(bool namesMayHaveChanged = true);

    // True when a reading could find something: a current file differs in presence, size
    // or modification time from the last reading, a next day's file exists, or a file
    // that could not be read is due to be tried again.
    bool ChangedSinceLastReading() const;

    // Current files that exist but could not be read at the last attempt, each as its
    // name with the reason; empty when every file could be read.
    QStringList UnreadableFiles() const;

    // How many texts have been handed to the processors so far.
    quint64 TextsHanded() const { return m_textsHanded; }

    // How many bytes a reading takes from a file at a time (256 KiB). Tests make it tiny,
    // so that lines are cut between two reads in every possible place.
    void SetReadSize(qint64 bytes) { m_readSize = std::max<qint64>(1, bytes); }

private:
    enum class Got { Missing, Unreadable, Text };
    struct Loaded
    {
        Got got = Got::Missing;
        // Complete lines in code page 932 form, each ended by CR LF: the whole file's when
        // `whole`, else only those after the previous reading's position.
        QString text;
        bool whole = false;
    };

    // When a line held back for the line after it goes on as it stands.
    enum class Flush { Always, IfStill };

    void ReadOnce(bool namesMayHaveChanged);
    // `flush` IfStill: once the file has not changed for 2 seconds.
    Loaded Load(LogKind kind, bool whole, Flush flush);
    // The whole file into the buffer; handed on in replay mode when `mode` is Replay,
    // kept for later in `mode` when the file cannot be read.
    void LoadForReplay(LogKind kind, LogReadPosition::Pending mode, Flush flush);
    // A file of a later day than the current one to move to, or empty.
    QString NewerDayFile(const DailyLog &log) const;
    bool HeldLineDue(const LogReadPosition &pos) const;
    void MoveToNextDay(LogKind kind);
    // `lookForMissing` false: a current file missing at the last reading is taken to be
    // missing still.
    void ReadAppended(LogKind kind, Flush flush, bool lookForMissing = true);
    void Hand(LogKind kind, const QString &text, ProcessingMode mode);
    QString PathOf(const QString &name) const;
    // The clock is read once per reading: a reading happens at one moment, and each read
    // of the local time looks at the time zone files again.
    QDateTime Now() const { return m_now ? *m_now : m_clock.Now(); }
    class ClockPin
    {
    public:
        explicit ClockPin(const LogReader &reader);
        ~ClockPin();
        ClockPin(const ClockPin &) = delete;
        ClockPin &operator=(const ClockPin &) = delete;

    private:
        const LogReader &m_reader;
        bool m_owner;
    };

    AppState &m_state;
    ILogProcessors &m_processors;
    const IClock &m_clock;
    mutable std::optional<QDateTime> m_now;
    std::array<QString, kLogKindCount> m_unreadable; // the reason, per kind
    // Each kind's current file, kept open between readings.
    std::array<kiv::files::ReadOnlyFile, kLogKindCount> m_files;
    quint64 m_textsHanded = 0;
    qint64 m_readSize = 256 * 1024;
    // Where and on which day the folder's names were last looked at.
    QString m_namesLookedIn;
    QDate m_namesLookedOn;
};
