// The log reading against a model of what it must hand on, under random appends, cuts,
// rewrites at the same size, NUL runs, day changes (with and without a file for the day)
// and read sizes from 1 byte up, in code page 932, UTF-16 and UTF-8.
//
// The model decodes the whole current file afresh at every reading and compares its
// complete lines with the lines handed before: only those after the leading lines both
// share go on, live. So every complete line goes on once, in order, repeats included,
// and nothing a cut or rewrite left in the file goes on twice. Held lines (a chat or mail
// line ending in ")") follow the same rules as the reading: handed as they stand at the
// first showing, when the day changes and after 2 seconds without a change.
#include "core/AppState.h"
#include "logs/DayNames.h"
#include "logs/LogReader.h"
#include "platform/Cp932.h"
#include "platform/IClock.h"
#include "platform/ReadOnlyFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>

using namespace Qt::StringLiterals;

namespace {

enum class Enc { Ansi, Utf16LE, Utf16BE, Utf8 };

// Files stay below the 4 KiB the reading fingerprints, so that every rewrite is seen.
constexpr qsizetype kMaxFile = 3500;
constexpr int kLookBackDays = 31;

class Clock final : public IClock
{
public:
    QDateTime now;
    QDateTime Now() const override { return now; }
};

// Every line handed on, as "R" or "L" (replay, live) and the kind's letter, then the line.
class Recorder final : public ILogProcessors
{
public:
    QStringList lines;
    void ProcessChatText(const QString &text, ProcessingMode mode) override { Add(u'c', text, mode); }
    void ProcessActionText(const QString &text, ProcessingMode mode) override { Add(u'a', text, mode); }
    void ProcessMailText(const QString &text, ProcessingMode mode) override { Add(u'm', text, mode); }
    void ScrollToLastRow() override {}

    void Add(QChar kind, const QString &text, ProcessingMode mode)
    {
        if (!text.endsWith(QStringLiteral("\r\n")))
            std::abort(); // every text is whole lines
        for (const QString &line : text.chopped(2).split(QStringLiteral("\r\n")))
            lines.append((mode == ProcessingMode::Live ? QStringLiteral("L") : QStringLiteral("R")) + kind + line);
    }
};

QByteArray MarkOf(Enc enc)
{
    switch (enc) {
    case Enc::Utf16LE: return QByteArray("\xFF\xFE", 2);
    case Enc::Utf16BE: return QByteArray("\xFE\xFF", 2);
    case Enc::Utf8: return QByteArray("\xEF\xBB\xBF", 3);
    case Enc::Ansi: break;
    }
    return {};
}

QByteArray Encode(const QString &text, Enc enc)
{
    switch (enc) {
    case Enc::Ansi: return kiv::cp932::Encode(text);
    case Enc::Utf8: return text.toUtf8();
    case Enc::Utf16LE:
    case Enc::Utf16BE: {
        QByteArray out;
        for (const QChar c : text) {
            const char hi = char(c.unicode() >> 8), lo = char(c.unicode() & 0xFF);
            out.append(enc == Enc::Utf16LE ? lo : hi);
            out.append(enc == Enc::Utf16LE ? hi : lo);
        }
        return out;
    }
    }
    return {};
}

const char16_t *const kTokens[] = {
    u"\r\n", u"\r", u"\n", u"gg", u")", u"12:00:00\t<Public>\tTaro(12345678)", u"表", u"ソ\\", u"ö", u"\u2028",
    u"a", u" ", u"\t", u"😀", u"\r\n\r\n", u"@calc 1+1",
};
constexpr size_t kTokenCount = sizeof(kTokens) / sizeof(kTokens[0]);

// The complete lines of a file as the processors receive them, decoded whole: NUL
// characters taken out, cut at CR, LF, CR LF and U+2028, the last line only with its
// line end, and (with `hold`) a last line ending in ")" held back. `held` tells whether
// one was.
QStringList CompleteLines(const QByteArray &file, bool hold, bool &held)
{
    Enc enc = Enc::Ansi;
    qsizetype skip = 0;
    if (file.startsWith("\xFF\xFE"))
        enc = Enc::Utf16LE, skip = 2;
    else if (file.startsWith("\xFE\xFF"))
        enc = Enc::Utf16BE, skip = 2;
    else if (file.startsWith("\xEF\xBB\xBF"))
        enc = Enc::Utf8, skip = 3;
    const QByteArray body = file.mid(skip);
    QString text;
    if (enc == Enc::Utf16LE || enc == Enc::Utf16BE) {
        for (qsizetype i = 0; i + 1 < body.size(); i += 2) {
            const auto a = uchar(body[i]), b = uchar(body[i + 1]);
            const char16_t unit = enc == Enc::Utf16LE ? char16_t(a | (b << 8)) : char16_t((a << 8) | b);
            if (unit != 0)
                text.append(QChar(unit));
        }
    } else {
        QByteArray clean = body;
        clean.replace('\0', QByteArray());
        text = enc == Enc::Ansi ? kiv::cp932::Decode(clean)
                                : QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless).decode(clean);
    }
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n' && c != QChar(0x2028))
            continue;
        lines.append(kiv::cp932::ToAnsiForm(text.mid(start, i - start)));
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    held = hold && !lines.isEmpty() && lines.last().endsWith(u')');
    if (held)
        lines.removeLast();
    return lines;
}

// Size and time of change to the nanosecond, as the reading sees them: two writes within
// one millisecond are two changes.
struct Stat
{
    bool exists = false;
    qint64 size = -1;
    qint64 modified = 0;
    friend bool operator==(const Stat &, const Stat &) = default;
};

Stat StatOf(const QString &path)
{
    const kiv::files::Stamp stamp = kiv::files::StampOf(path);
    return stamp.exists ? Stat{true, stamp.size, stamp.modified} : Stat{};
}

// What the reading should hand on, worked out from the files alone.
class Model
{
public:
    Model(const QString &dir, const QString &prefix, QChar kind, bool hold, const Clock &clock)
        : m_dir(dir), m_prefix(prefix), m_kind(kind), m_hold(hold), m_clock(clock)
    {
    }

    void Start(const QDate &today)
    {
        m_current = today;
        m_next = today.addDays(1);
        Load(true, u'R', true);
    }

    void Reading()
    {
        const QDate today = m_clock.now.date();
        const QDate oldest = std::max(m_next, today.addDays(-kLookBackDays));
        for (QDate d = std::max(m_next, today); d >= oldest; d = d.addDays(-1)) {
            if (!QFileInfo::exists(Path(d)))
                continue;
            Load(true, u'L', false); // the old file's last lines
            m_current = d;
            m_next = std::max(d, today).addDays(1);
            m_handed.clear();
            m_seen = {};
            m_held = false;
            Load(false, u'R', false);
            break;
        }
        Load(false, u'L', false);
    }

    QStringList out;

private:
    QString Path(const QDate &d) const { return m_dir + DailyLogName(m_prefix, d); }

    void Load(bool flushAlways, QChar mode, bool replayAll)
    {
        const QString path = Path(m_current);
        const Stat stat = StatOf(path);
        if (!stat.exists) {
            m_seen = {};
            return;
        }
        const bool changed = !(stat == m_seen);
        if (changed)
            m_stillSince = m_clock.now;
        const bool flush = flushAlways || (!changed && m_held && m_clock.now >= m_stillSince.addSecs(2));
        m_seen = stat;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            std::abort();
        const QStringList lines = CompleteLines(file.readAll(), m_hold && !flush, m_held);
        qsizetype shared = 0;
        if (!replayAll) {
            while (shared < lines.size() && shared < m_handed.size() && lines[shared] == m_handed[shared])
                ++shared;
            if (shared == lines.size())
                return; // a cut, or nothing new
        }
        for (qsizetype i = shared; i < lines.size(); ++i)
            out.append(QString(mode) + m_kind + lines[i]);
        m_handed = lines;
    }

    const QString m_dir;
    const QString m_prefix;
    const QChar m_kind;
    const bool m_hold;
    const Clock &m_clock;
    QDate m_current;
    QDate m_next;
    QStringList m_handed;
    Stat m_seen;
    QDateTime m_stillSince;
    bool m_held = false;
};

// The bytes of the fuzz input, read one at a time; zeros once they run out.
struct Input
{
    const uint8_t *data;
    size_t size;
    size_t at = 0;
    bool More() const { return at < size; }
    uint8_t Next() { return at < size ? data[at++] : 0; }
};

// What was done to the files, for the report of a failure.
QStringList g_steps;

void Check(const Recorder &reader, const Model &model)
{
    if (reader.lines == model.out)
        return;
    std::fprintf(stderr, "steps:\n%s\nreading handed:\n%s\nexpected:\n%s\n", qPrintable(g_steps.join(u'\n')),
                 qPrintable(reader.lines.join(u'\n')), qPrintable(model.out.join(u'\n')));
    std::abort();
}

void Step(const char *what, const QByteArray &file)
{
    g_steps.append(QString::fromLatin1(what) + u' ' + QString::fromLatin1(file.toPercentEncoding()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // In memory where the system has such a folder: every input writes and reads files.
    static QTemporaryDir dir(QFileInfo(u"/dev/shm"_s).isWritable() ? u"/dev/shm/kiv_fuzz_reader-XXXXXX"_s
                                                                     : QDir::tempPath() + u"/kiv_fuzz_reader-XXXXXX"_s);
    if (!dir.isValid())
        return 0;
    for (const QString &name : QDir(dir.path()).entryList(QDir::Files))
        QFile::remove(dir.filePath(name));

    if (const char *dump = std::getenv("KIV_FUZZ_READER_INPUT")) {
        QFile file(QString::fromLocal8Bit(dump));
        if (file.open(QIODevice::WriteOnly))
            file.write(reinterpret_cast<const char *>(data), qsizetype(size));
    }
    Input in{data, size};
    const uint8_t setup = in.Next();
    const LogKind kind = LogKind(setup % 3);
    const Enc enc = Enc(setup / 3 % 4);
    static const QChar kKindLetters[] = {u'c', u'a', u'm'};

    AppState state;
    state.logDir = dir.path() + u'/';
    Clock clock;
    clock.now = QDateTime(QDate(2026, 12, 7), QTime(12, 0));
    SetDayNames(state, clock.now.date());
    Recorder recorder;
    LogReader reader(state, recorder, clock);
    Model model(state.logDir, state.Log(kind).prefix, kKindLetters[int(kind)], kind != LogKind::Action, clock);

    // The file the game writes to; made with its mark when first written.
    QDate gameDay = clock.now.date();
    const auto gamePath = [&]() -> QString { return state.logDir + DailyLogName(state.Log(kind).prefix, gameDay); };
    const auto readFile = [&]() -> QByteArray {
        QFile file(gamePath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const auto writeFile = [&](const QByteArray &bytes, bool append) {
        QFile file(gamePath());
        const bool fresh = !file.exists();
        if (!file.open(append ? QIODevice::Append : QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        if (fresh || !append)
            file.write(MarkOf(enc));
        file.write(bytes);
    };
    const auto tokens = [&](int count) -> QByteArray {
        QString text;
        for (int i = 0; i < count; ++i)
            text += QString::fromUtf16(kTokens[in.Next() % kTokenCount]);
        return Encode(text, enc);
    };
    const auto reading = [&] {
        Step("read", readFile());
        model.Reading();
        reader.ReadNewLogText();
        Check(recorder, model);
    };

    g_steps.clear();
    if (setup & 0x80)
        writeFile(tokens(in.Next() % 8), true);
    Step("first showing", readFile());
    model.Start(clock.now.date());
    reader.FirstShowing();
    Check(recorder, model);

    const qsizetype unit = (enc == Enc::Utf16LE || enc == Enc::Utf16BE) ? 2 : 1;
    for (int ops = 0; in.More() && ops < 200; ++ops) {
        const uint8_t op = in.Next();
        const uint8_t arg = in.Next();
        const QByteArray now = readFile();
        const qsizetype floor = MarkOf(enc).size();
        switch (op % 8) {
        case 0:
        case 1:
            if (now.size() < kMaxFile)
                writeFile(tokens(arg % 6 + 1), true);
            break;
        case 2: // a crash's zero padding, or bytes not yet written
            writeFile(QByteArray((arg % 5 + 1) * unit - (arg & 0x80 ? 1 : 0), '\0'), true);
            break;
        case 3: // cut short
            if (now.size() > floor)
                QFile::resize(gamePath(), floor + (now.size() - floor) * arg / 255);
            break;
        case 4: { // rewritten at the same size from some point on
            if (now.size() <= floor)
                break;
            QByteArray bytes = now.left(floor + (now.size() - floor) * arg / 255).mid(floor);
            while (bytes.size() + floor < now.size())
                bytes += tokens(1);
            writeFile(bytes.left(now.size() - floor), false);
            break;
        }
        case 5:
            Step("read size", QByteArray::number(arg));
            reader.SetReadSize(arg % 4 == 0 ? 256 * 1024 : arg % 13 + 1);
            reading();
            break;
        case 6:
            clock.now = clock.now.addSecs(2);
            reading();
            break;
        case 7: // a day or more later; the game's next file now or with its first line
            clock.now = clock.now.addDays(arg % 3 + 1);
            gameDay = clock.now.date().addDays(arg / 3 % 4 == 0 ? 1 : 0);
            Step(qPrintable(u"day "_s + clock.now.toString(u"yyyyMMdd"_s) + u" file "_s + gameDay.toString(u"yyyyMMdd"_s)), {});
            if (arg / 12 % 2 == 0)
                writeFile(tokens(arg / 24 % 4), true);
            break;
        }
        if (op % 8 < 5)
            Step(qPrintable(u"write "_s + gameDay.toString(u"yyyyMMdd"_s)), readFile());
    }
    // At the end everything complete has gone on, held lines included.
    clock.now = clock.now.addSecs(2);
    reading();
    clock.now = clock.now.addSecs(2);
    reading();
    return 0;
}
