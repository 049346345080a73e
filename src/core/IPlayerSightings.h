#pragma once

#include <QString>

// Where a sighting of a player goes: the roster and its view. The log processors and the
// views call it; the program wires it to the roster.
class IPlayerSightings
{
public:
    virtual ~IPlayerSightings() = default;
    virtual void MarkActive(const QString &id, const QString &name) = 0;
};
