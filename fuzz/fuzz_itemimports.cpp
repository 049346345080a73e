// The two item merges on any file, into a database that holds odd hand-edited entries:
// entries keep their keys, added entries can be found again, and a second import of the
// same file adds no line.
#include "core/strDBListUniU.h"
#include "items/ItemImports.h"
#include "platform/TextFile.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdlib>

namespace {

bool Broken(const QString &line)
{
    return line.contains(u'\r') || line.contains(u'\n') || line.contains(u'\u2028');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const bool table = data[0] & 1;
    const QByteArray bytes(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1));
    const QStringList lines = kiv::text::SplitLines(kiv::text::DecodeUserFile(bytes).text);
    const QStringList start{
        QStringLiteral("剣=\t武器\t☆03\tメモ"), QStringLiteral("盾=\t\t☆03\tn"), QStringLiteral("x=\t武器"),
        QStringLiteral("y="),                 QStringLiteral("z=武器\t☆01"),  QStringLiteral("A=\t不明\t不明"),
    };
    TStrDBListUni db;
    db.Assign(start);
    const auto merge = [&] {
        if (table)
            kiv::imports::MergeItemTable(db, lines);
        else
            kiv::imports::MergeItemRarities(db, lines);
    };
    merge();
    if (db.Count() < start.size() || db.Count() > start.size() + lines.size())
        std::abort();
    for (qsizetype i = 0; i < db.Count(); ++i) {
        const QString &line = db.Line(i);
        if (Broken(line))
            std::abort();
        if (i < start.size() ? KeyOfLine(line) != KeyOfLine(start[i]) : db.IndexOfKey(KeyOfLine(line)) != i)
            std::abort(); // a known key changed, or an added entry cannot be found
    }
    const QStringList once = db.Lines();
    merge();
    if (db.Count() != once.size())
        std::abort();
    return 0;
}
