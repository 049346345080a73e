// Log text from the game's files: code page 932 decoding, line cutting, field splitting
// and the chat and mail processors. Besides not crashing, it checks that the chat
// processor gives the same rows and actions whether a text comes whole or cut at line
// ends into pieces, as the reading hands over whatever was appended since last time, and
// that the passes over months of logs cut the bytes as the decoded text is cut.
#include "core/AppState.h"
#include "logs/ChatProcessor.h"
#include "logs/Cp932LogScan.h"
#include "logs/LogLine.h"
#include "logs/MailProcessor.h"
#include "platform/Cp932.h"
#include "platform/TextFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

class EventLog final : public IChatHost
{
public:
    void AddChatRow(const LogLineView &r) override
    {
        events.append(u"row|" % r.time % u'|' % r.id % u'|' % r.name % u'|' % r.text % u'|' % r.tag);
    }
    void ScrollToLastRow() override {}
    void MarkActive(const QString &id, const QString &name) override { events.append(u"active|" % id % u'|' % name); }
    QString MatchWanted(const QString &, const QString &id, const QString &, const QString &text) override
    {
        events.append(u"wanted|" % id % u'|' % text);
        return id.startsWith(u'1') ? QStringLiteral("@Beep1") : QString();
    }
    void RunBeep(const QString &lowerText) override { events.append(u"beep|" % lowerText); }
    void RunChatCommand(ChatCommand command, const QString &lowerText) override
    {
        events.append(u"cmd|" % KeywordOf(command) % u'|' % lowerText);
    }
    void AppendInfoLine(const QString &line) override { events.append(u"info|" % line); }

    QStringList events;
};

// Pieces of chat and mail records. Random bytes seldom spell a record, so half of the
// inputs are read as a list of these instead (a byte from 0xE0 on stands for itself:
// lead bytes and bytes without a character).
const char *const kTokens[] = {
    "\r\n", "\r\n\r\n", "\t", ")", "(12345678)", "(87654321)", "Taro", "\x95\x5c", "12:00:00", "<Public>",
    "<Send>", "@calc 1+1", "@-5", "@item x", "@who", "@custom", "@setup", "http://", "\r", "\n", " ", "@", "(",
    "\x81\x40",
};
constexpr size_t kTokenCount = sizeof(kTokens) / sizeof(kTokens[0]);

QByteArray FromTokens(const uint8_t *data, size_t size)
{
    QByteArray out;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] >= 0xE0)
            out.append(char(data[i]));
        else
            out.append(kTokens[data[i] % kTokenCount]);
    }
    return out;
}

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

// A place where the text may be cut without changing what it means: after a line end,
// but never between CR and LF, and never after ")" CR LF, which joins two lines.
bool IsCutPoint(QStringView text, qsizetype p)
{
    const QChar before = text[p - 1];
    if (before == u'\r')
        return text[p] != u'\n';
    if (before != u'\n')
        return false;
    return !(p >= 3 && text[p - 2] == u'\r' && text[p - 3] == u')');
}

void CheckSplit(QStringView line)
{
    QStringList fields;
    const int count = SplitLogLine(line, fields);
    Check(count == fields.size());
    for (const QString &field : fields) {
        for (const QChar c : field)
            Check(c != u'\t' && c != u'\r' && c != u'\n' && c != QChar(0));
    }
}

// The processors take a text's lines in one pass; they must be the lines of its
// normalised form, split into fields.
void CheckOnePass(QStringView text)
{
    QList<QStringList> normalised;
    kiv::logs::LogFields fields;
    const QString form = kiv::logs::NormaliseLogText(text);
    kiv::logs::ForEachLine(form, [&](QStringView line) {
        if (kiv::logs::SplitAnsiLine(line, fields) == 0)
            return;
        QStringList texts;
        for (const QStringView field : fields)
            texts.append(field.toString());
        normalised.append(texts);
    });
    QList<QStringList> onePass;
    kiv::logs::ForEachLogLine(text, [&](const kiv::logs::LogFields &lineFields) {
        QStringList texts;
        for (const QStringView field : lineFields)
            texts.append(field.toString());
        onePass.append(texts);
    });
    Check(onePass == normalised);
}

// The whole text goes in as decoded, the pieces in their code page form: one more check
// that a block converted once may be taken apart without converting again.
void CheckChatPieces(const QString &raw, ProcessingMode mode, bool withOwnId, std::mt19937 &rng)
{
    QString text = kiv::cp932::ToAnsiForm(raw);
    // A NUL ends a text, so the pieces after one would be read where the whole is not.
    const qsizetype nul = text.indexOf(QChar(0));
    if (nul >= 0)
        text.truncate(nul);

    AppState wholeState;
    if (withOwnId)
        wholeState.ownId = QStringLiteral("12345678");
    AppState pieceState = wholeState;
    EventLog whole;
    ChatProcessor(wholeState, whole).ProcessChatText(raw, mode);

    EventLog pieces;
    ChatProcessor processor(pieceState, pieces);
    qsizetype start = 0;
    for (qsizetype p = 1; p < text.size(); ++p) {
        if (IsCutPoint(text, p) && rng() % 2 == 0) {
            processor.ProcessChatText(QStringView(text).sliced(start, p - start), mode);
            start = p;
        }
    }
    processor.ProcessChatText(QStringView(text).sliced(start), mode);

    Check(pieces.events == whole.events);
    Check(pieceState.ownId == wholeState.ownId);
}

// Each line as "count:field|field|…", its first fields as the byte cutter keeps them.
void AppendLine(QStringList &lines, int count, const QStringList &fields)
{
    lines.append(QString::number(count) + u':' + fields.mid(0, kiv::logs::ByteFields::kMaxFields).join(u'|'));
}

// The byte cutter against the decoded text: headers joined as a chat log's lines are
// (lone CR and LF made CR LF first), and plain lines as an action log's are.
void CheckByteCutter(const QByteArray &bytes)
{
    QString text = kiv::cp932::DecodeToAnsiForm(bytes);
    const qsizetype nul = text.indexOf(QChar(0));
    for (const bool join : {false, true}) {
        QStringList fromBytes;
        kiv::logs::ForEachCp932Line(bytes, join, [&](const kiv::logs::ByteFields &line) {
            QStringList fields;
            for (int k = 0; k < std::min(line.count, int(kiv::logs::ByteFields::kMaxFields)); ++k)
                fields.append(kiv::cp932::DecodeToAnsiForm(line.field[size_t(k)]));
            AppendLine(fromBytes, line.count, fields);
        });
        QStringList fromText;
        const auto take = [&fromText](const kiv::logs::LogFields &fields) {
            QStringList texts;
            for (const QStringView field : fields)
                texts.append(field.toString());
            AppendLine(fromText, int(fields.size()), texts);
        };
        if (join) {
            kiv::logs::ForEachLogLine(kiv::text::JoinLines(kiv::text::SplitLines(text)), take);
        } else {
            kiv::logs::LogFields fields;
            kiv::logs::ForEachLine(QStringView(text).first(nul >= 0 ? nul : text.size()), [&](QStringView line) {
                if (kiv::logs::SplitAnsiLine(line, fields) > 0)
                    take(fields);
            });
        }
        Check(fromBytes == fromText);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const uint8_t control = data[0];
    const QByteArray bytes = (control & 8) ? FromTokens(data + 1, size - 1)
                                           : QByteArray(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    // Decoding: everything the code page decodes passes it again unchanged, bar the
    // replacement for bad bytes, which no code page holds.
    const QString decoded = kiv::cp932::Decode(bytes);
    Check(decoded.size() <= bytes.size());
    QString expectedAnsi = decoded;
    expectedAnsi.replace(QChar(kiv::cp932::kReplacement), QLatin1Char('?'));
    const QString ansi = kiv::cp932::ToAnsiForm(decoded);
    Check(ansi == expectedAnsi);
    // The log reading decodes straight into that form.
    Check(kiv::cp932::DecodeToAnsiForm(bytes) == ansi);
    // The processors convert a block once and then take its pieces as converted.
    Check(kiv::cp932::ToAnsiForm(ansi) == ansi);

    const kiv::text::DecodedText file = kiv::text::Decode(bytes);
    const QStringList lines = kiv::text::SplitLines(file.text);
    Check(kiv::text::SplitLines(kiv::text::JoinLines(lines)) == lines);
    for (const QString &line : lines)
        CheckSplit(line);
    CheckSplit(decoded);

    CheckOnePass(file.text);
    CheckOnePass(decoded);
    CheckByteCutter(bytes);

    const ProcessingMode mode = (control & 1) ? ProcessingMode::Live : ProcessingMode::Replay;
    std::mt19937 rng(control);
    CheckChatPieces(file.text, mode, control & 2, rng);
    CheckChatPieces(decoded, mode, control & 4, rng);

    AppState state;
    EventLog mail;
    MailProcessor(state, mail).ProcessMailText(file.text, mode);
    MailProcessor(state, mail).ProcessMailText(decoded, mode);
    return 0;
}
