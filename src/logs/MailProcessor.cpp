#include "logs/MailProcessor.h"

#include "core/AppState.h"
#include "logs/LogLine.h"

using namespace kiv::logs;

namespace {
const QString kSendTag = QStringLiteral("%<Send>");
const QString kSentName = QStringLiteral("送信");
} // namespace

MailProcessor::MailProcessor(const AppState &state, IChatRows &rows) : m_state(state), m_rows(rows) {}

void MailProcessor::ProcessMailText(const QString &text, ProcessingMode mode)
{
    // A shared copy, as the chat processor keeps one: the text stays whole during the call.
    const QString kept = text;
    ProcessMailText(QStringView(kept), mode);
}

void MailProcessor::ProcessMailText(QStringView text, ProcessingMode mode)
{
    if (mode == ProcessingMode::Replay)
        m_record = {};
    LogLineRecord &record = m_record;
    ForEachLogLine(text, [&](const LogFields &fields) {
        const qsizetype count = fields.size();
        if (count >= 3) {
            record.time = TrimView(fields[0]).toString();
            record.tag = u'%' % TrimView(fields[1]);
            if (record.tag == kSendTag) {
                record.id = m_state.ownId;
                record.name = kSentName;
            } else {
                record.id = IdOfSpeaker(fields[2]).toString();
                record.name = NameOfSpeaker(fields[2]).toString();
            }
            // 3 fields: a mail without body, whose header had nothing to be joined to.
            record.text = count == 4 ? TrimView(fields[3]).toString() : JoinFields(fields, 3);
        } else if (count == 1) {
            record.text = TrimView(fields[0]).toString();
        } else {
            record.text = JoinFields(fields, 0);
        }
        m_rows.AddChatRow(ViewOf(record));
    });
}
