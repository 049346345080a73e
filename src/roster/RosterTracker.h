#pragma once

#include "core/IPlayerSightings.h"

#include <QString>
#include <QStringList>

#include <functional>

struct AppState;
class IInfoOutput;
class RosterRowsModel;

// The roster view's timer and whether the program is the active application.
class IRosterTimer
{
public:
    virtual ~IRosterTimer() = default;
    virtual bool ProgramActive() const = 0;
    virtual void StopRosterTimer() = 0;
    // Starts the timer, or starts it again from now when it runs.
    virtual void RestartRosterTimer() = 0;
};

// Roster tracking: each sighting records the name under the player's ID, shows the
// player's row in the roster view and announces ranked players in the info window.
// While another application is in front the view empties itself a minute after the
// last sighting.
class RosterTracker final : public IPlayerSightings
{
public:
    struct Seams
    {
        IInfoOutput &info;
        IRosterTimer &timer;
        // Plays a sound command such as "@beep0".
        std::function<void(const QString &)> beep;
    };

    RosterTracker(AppState &state, RosterRowsModel &rows, Seams seams);

    void MarkActive(const QString &id, const QString &name) override;
    // The roster view's double-click on a row: the player's note, framed.
    void RowDoubleClicked(int row);
    // The roster timer ran out.
    void TimerTick();
    // After a note was edited: the rows take the new ranks.
    void RefreshRanks();

    // The values of a row for the ID: `name`, then the names the roster holds.
    QStringList RowValues(const QString &id, const QString &name) const;

private:
    void ApplyTimerRule();
    void ResetInfoColours();
    // The rank's colours on the info window.
    void PaintInfo(int rank);
    bool InfoHolds(const QString &text) const;

    AppState &m_state;
    RosterRowsModel &m_rows;
    Seams m_seams;
};
