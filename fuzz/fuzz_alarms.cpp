// Chat text into the web link finder, the messenger payload and the wanted check;
// settings text into the command word splitter. Each result is checked against its rules.
#include "commands/Location.h"
#include "commands/Wanted.h"
#include "commands/WebLink.h"
#include "core/strDBListUniU.h"
#include "platform/Cp932.h"
#include "platform/IMessenger.h"
#include "platform/SystemMessenger.h"

#include <QUrl>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = kiv::cp932::Decode(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));

    const QString address = FirstWebAddress(text);
    if (!address.isEmpty()) {
        // Whatever the text, only a web address with a host reaches the desktop.
        const QUrl url(address, QUrl::StrictMode);
        if (!url.isValid() || url.host().isEmpty() || (url.scheme() != u"http" && url.scheme() != u"https"))
            std::abort();
    }

    const MessengerStatus status = BuildMessengerStatus(SendStatusText(text), QStringLiteral("1"));
    if (status.payload.size() != 256 || status.payload.at(254) != 0 || status.payload.at(255) != 0)
        std::abort();
    if (status.text.size() > 107)
        std::abort(); // more does not fit beside the fixed parts

    const QStringList words = CommandWords(text, {QStringLiteral("x")});
    if (!words.isEmpty() && (words.first().isEmpty() || words.last() != u"x"))
        std::abort();

    TStrDBListUni wanted;
    wanted.Assign(text.split(u'\n'));
    const QString alarm = MatchWanted(wanted, kWantedKindChat, text.left(8), QString(), text);
    if (!alarm.isEmpty() && !text.contains(alarm))
        std::abort(); // a command comes from the list
    return 0;
}
