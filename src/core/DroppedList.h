#pragma once

#include <QString>
#include <QStringList>

class IPrompts;

// Reads a dropped list file into lines the way list files are read (byte-order mark, else
// UTF-8 or code page 932), in the file's own order. On failure a warning names the file
// and the result is false.
[[nodiscard]] bool ReadDroppedList(const QString &path, IPrompts &prompts, QStringList &lines);
