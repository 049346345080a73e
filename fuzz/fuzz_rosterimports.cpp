// The roster and black-list imports on any file: the index that tells whether a line
// stands in the roster's text answers as a plain search would, and the black-list merge
// keeps every ID note it had and can find every ID the file brought.
#include "core/AppState.h"
#include "core/strDBListUniU.h"
#include "platform/TextFile.h"
#include "roster/RosterImports.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdlib>

namespace {

void Check(bool holds)
{
    if (!holds)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString text = kiv::text::DecodeUserFile(bytes).text;
    const QStringList lines = kiv::text::SplitLines(text);

    const kiv::imports::SubstringIndex index(text);
    Check(index.Contains(QString()) == text.contains(QString()));
    for (const QString &line : lines) {
        Check(index.Contains(line));
        // Pieces of the text and pieces that only almost stand in it.
        for (qsizetype n = 1; n <= std::min<qsizetype>(line.size(), 6); ++n) {
            const QString piece = line.right(n);
            Check(index.Contains(piece));
            const QString changed = piece + QChar(u'\x1F');
            Check(index.Contains(changed) == text.contains(changed));
        }
    }

    AppState state;
    const QStringList notes{QStringLiteral("11111111=\t1\t9\t0\t0\t0\tnote"), QStringLiteral("22222222=\t0\t1"),
                            QStringLiteral("33333333="), QStringLiteral("44444444=\t\t\t\t\t\t\t\t")};
    state.idNotes.Assign(notes);
    kiv::imports::MergeBlackList(state, lines);
    for (const QString &line : notes)
        Check(state.idNotes.IndexOfKey(KeyOfLine(line).toString()) >= 0);
    for (const QString &line : lines) {
        const QString id = KeyOfLine(line).toString();
        Check(id.isEmpty() || state.idNotes.IndexOfKey(id) >= 0);
    }
    return 0;
}
