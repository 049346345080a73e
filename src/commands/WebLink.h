#pragma once

#include <QString>
#include <QStringView>

// The first web address of a chat text, for the browser: an "http://" or "https://"
// (any letter case) up to the next blank, full-width blank or control character, taken
// only when it parses strictly as an http or https address with a host. Empty
// otherwise: a chat text is anybody's writing and may name a local file or program,
// which must never be opened.
QString FirstWebAddress(QStringView text);

// True when the text holds "http://" or "https://" (any letter case): such a row is a
// web link.
bool HoldsWebAddress(QStringView lowerText);

inline const QString kWebLinkSent = QStringLiteral("をブラウザに送りました");
inline const QString kWebLinkNone = QStringLiteral("開けるアドレス(http:// https://)がありません");
