#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class QIODevice;

// Whole-file writes that leave either the old file or the new one, never a cut one:
// the text goes to a temporary file in the same folder, which replaces the old file
// only once everything was written.
namespace kiv::safesave {

using Writer = std::function<bool(QIODevice *device, QString *error)>;

// `writer` fills the device; returning false abandons the save and keeps the old file.
// On failure `error` names the file and what went wrong.
[[nodiscard]] bool Save(const QString &path, const Writer &writer, QString *error);
[[nodiscard]] bool Save(const QString &path, const QByteArray &bytes, QString *error);

// Writes all of `bytes` to the device, reporting a short or failed write.
[[nodiscard]] bool WriteAll(QIODevice *device, const QByteArray &bytes, QString *error);

// Removes temporary files that a save interrupted by a crash left beside `fileName`
// in `folder`: only names that Save gives its temporaries, never a copy the user made.
// Returns how many were removed.
int RemoveStaleTemporaries(const QString &folder, const QString &fileName);

} // namespace kiv::safesave
