#pragma once

#include "logs/LogLineRecord.h"

#include <QString>

// Texts the main window builds from chat rows: copies and menu captions.
namespace kiv::rows {

// The item of an action row: its text up to, not including, the first "(" (the whole
// text when it has none).
QString ItemNameOfText(QStringView text);

// One row as copied to the clipboard: time, a full-width blank, ID, a full-width blank,
// the name padded with blanks to 20 columns (double-byte characters count 2), the text;
// then every pair of ASCII blanks, from the left, becomes one full-width blank.
QString CopyLine(const LogLineRecord &row);

QString OpenIdCaption(const QString &id);
QString OpenItemCaption(const QString &item); // empty item: the disabled form

} // namespace kiv::rows
