#pragma once

#include <QString>

// Section and key names of the settings file, as existing settings files spell them.
namespace kiv::keys {

inline const QString kSystem = QStringLiteral("system");
inline const QString kSystemWrite = QStringLiteral("System");
inline const QString kSound = QStringLiteral("sound");
inline const QString kRnk = QStringLiteral("Rnk");
inline const QString kWindow = QStringLiteral("window");
inline const QString kMainWindowSection = QStringLiteral("FrmKivMain");

inline const QString kLogDir = QStringLiteral("logdir");
inline const QString kKivIdRead = QStringLiteral("KivID");
inline const QString kKivIdWrite = QStringLiteral("kivid");
inline const QString kActionLog = QStringLiteral("ActionLog");
inline const QString kFontSize = QStringLiteral("FontSize");
inline const QString kJrt = QStringLiteral("JRT");
inline const QString kStyle = QStringLiteral("style");

// Remembered window position; the padding is part of the names the files carry.
inline const QString kLeft = QStringLiteral("Left  ");
inline const QString kTop = QStringLiteral("Top   ");
inline const QString kWidth = QStringLiteral("Width ");
inline const QString kHeight = QStringLiteral("Height");

inline QString Beep(int slot) { return QStringLiteral("beep%1").arg(slot); }
inline QString Rank(int rank) { return QStringLiteral("Rnk%1").arg(rank); }
inline QString ChatColWidth(int col) { return QStringLiteral("chat.colwidth%1").arg(col); }
inline QString WhoColWidth(int col) { return QStringLiteral("who.colwidth%1").arg(col); }

} // namespace kiv::keys
