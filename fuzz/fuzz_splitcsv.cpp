// SplitCsv on any text: the parts and what they must say about the text.
#include "core/strDBListUniU.h"
#include "platform/Cp932.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = kiv::cp932::Decode(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
    QStringList parts{QStringLiteral("left over")};
    const int count = SplitCsv(text, parts);
    if (count != parts.size() || count < 1)
        std::abort();
    qsizetype total = 0;
    for (const QString &part : parts)
        total += part.size();
    if (total > text.size())
        std::abort(); // every character of a part comes from the text
    if (!text.contains(u'"') && parts != text.split(u','))
        std::abort();

    // The parts written back as quoted fields split into the same parts, and the empty
    // part that follows a closing quote at the end.
    QStringList quoted;
    for (QString part : parts)
        quoted.append(u'"' + part.replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"');
    QStringList again;
    SplitCsv(quoted.join(u','), again);
    if (again != parts + QStringList{QString()})
        std::abort();
    return 0;
}
