#pragma once

#include <QString>

// File names in the program folder match without regard to letter case, as on the
// platform the user's files come from.
namespace kiv::files {

// The path of `name` in `folder` (which ends with a separator, or is empty): an
// existing file whose name differs only in case is taken; otherwise folder + name.
QString Resolve(const QString &folder, const QString &name);

// True when `name` exists in `folder`, letter case ignored.
bool Exists(const QString &folder, const QString &name);

// `path` with a trailing separator, unless it is empty.
QString WithTrailingSeparator(const QString &path);

} // namespace kiv::files
