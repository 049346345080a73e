// Any text said by the user in the game chat, as a followed log hands it on: every
// command ("@calc", "@info", "@who", "@beep", "@custom", "@send", "@item", "@setup") runs
// on it against lists with a few entries. Nothing may crash or hang, and the lists keep
// every key they had.
#include "NullSeams.h"

#include "app/KivLogic.h"
#include "core/AppState.h"
#include "logs/ChatRowsModel.h"
#include "platform/Cp932.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdint>
#include <iterator>
#include <cstdlib>

namespace {

void Check(bool holds)
{
    if (!holds)
        std::abort();
}

const QStringList kRoster{QStringLiteral("10000001=\tボブ\tBob"), QStringLiteral("10000002=\t剣士ケン"),
                          QStringLiteral("12345678=\tわたし")};
const QStringList kNotes{QStringLiteral("10000001=\t1\t9\t0\t0\t0\t注意"), QStringLiteral("10000002=\t0\t1")};
const QStringList kItems{QStringLiteral("鉄の剣=\t武器\t☆03\tメモ"), QStringLiteral("ポーション=\t薬")};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_commands";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    // Files that commands write ("@item output", "@setup") go to a folder of their own.
    static QTemporaryDir folder;
    Check(folder.isValid());

    // The said text as the game writes it: CP932, on the line after the speaker's header,
    // with no line break of its own. The first byte picks a command word to start with,
    // so that every command gets its share of the inputs.
    static const char *const kWords[] = {"",       "@calc ", "@info ",  "@item ", "@who ", "@beep",
                                         "@send ", "@custom", "@setup ", "@http ", "@who makeup "};
    if (size == 0)
        return 0;
    QString said = QString::fromLatin1(kWords[data[0] % std::size(kWords)]) +
                   kiv::cp932::Decode(QByteArrayView(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1)));
    said.replace(u'\r', u' ').replace(u'\n', u' ').replace(u'\0', u' ');

    AppState state;
    state.programFolder = folder.path() + u'/';
    state.settingsPath = folder.filePath(QStringLiteral("kivreader.ini"));
    state.ownId = QStringLiteral("12345678");
    state.roster.Assign(kRoster);
    state.idNotes.Assign(kNotes);
    state.itemDb.Assign(kItems);
    bench::NullSeamSet seams;
    ChatRowsModel rows;
    KivLogic logic(state, rows, seams.Seams());
    logic.ProcessChatText(QStringLiteral("12:00:00\t<Public>\tわたし(12345678)\r\n") + said + QStringLiteral("\r\n\r\n"),
                          ProcessingMode::Live);
    // The same text through the "@" key, as a command word and the rest.
    const qsizetype blank = said.indexOf(u' ');
    logic.RunCommand(blank < 0 ? said : said.first(blank), said);

    for (const QString &line : kRoster)
        Check(state.roster.IndexOfKey(KeyOfLine(line).toString()) >= 0);
    for (const QString &line : kNotes)
        Check(state.idNotes.IndexOfKey(KeyOfLine(line).toString()) >= 0);
    return 0;
}
