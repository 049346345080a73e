#include "platform/IMessenger.h"

#include "platform/Cp932.h"

namespace {

constexpr int kPayloadBytes = 256;
constexpr qsizetype kMaxCharacters = kPayloadBytes / 2 - 1;

} // namespace

MessengerStatus BuildMessengerStatus(const QString &text, const QString &flag)
{
    const QString sep = QStringLiteral("\\0");
    const QString status = kiv::cp932::ToAnsiForm(QStringLiteral("Wimamp") + sep + QStringLiteral("Games") + sep
                                                  + flag + sep + text + sep);
    MessengerStatus result;
    result.payload = QByteArray(kPayloadBytes, '\0');
    result.flag = flag;
    if (status.size() > kMaxCharacters)
        return result;
    result.text = kiv::cp932::ToAnsiForm(text);
    for (qsizetype i = 0; i < status.size(); ++i) {
        const char16_t unit = status[i].unicode();
        result.payload[2 * i] = char(unit & 0xFF);
        result.payload[2 * i + 1] = char(unit >> 8);
    }
    return result;
}
