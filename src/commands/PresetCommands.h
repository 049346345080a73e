#pragma once

#include <QString>
#include <QStringList>

// The ready-made commands "@custom" lists as chat rows, in their order.
QStringList PresetCommands();

// One preset as a chat line: time 00:00:00, the own ID in the kind field, an empty
// speaker and the command as the text, so its row has no ID or name.
QString PresetLine(const QString &ownId, const QString &command);
