#pragma once

#include <QString>
#include <QStringView>

// The digits "0"–"9" of a text, in order: how a number is read out of free text (sound
// slots, ranks, rarities, money amounts, opacity values).
inline QString DigitsOf(QStringView text)
{
    QString digits;
    for (const QChar c : text) {
        if (c >= u'0' && c <= u'9')
            digits += c;
    }
    return digits;
}
