#pragma once

#include "logs/IChatHost.h"

#include <QHash>
#include <QStringList>

#include <functional>
#include <utility>
#include <vector>

// Records everything the log processors do to the outside, in order. The wanted list
// answers from `wantedAlarms`, keyed by player ID.
class RecordingChatHost final : public IChatHost
{
public:
    // A row as one text: time|id|name|text|tag.
    static QString RowText(const LogLineRecord &r)
    {
        return r.time % u'|' % r.id % u'|' % r.name % u'|' % r.text % u'|' % r.tag;
    }

    void AddChatRow(const LogLineView &row) override
    {
        const LogLineRecord record = RecordOf(row);
        rows.push_back(record);
        events.append(u"row:" % RowText(record));
    }
    void ScrollToLastRow() override { events.append(QStringLiteral("scroll")); }
    void MarkActive(const QString &id, const QString &name) override
    {
        events.append(u"active:" % id % u'|' % name);
    }
    QString MatchWanted(const QString &kind, const QString &id, const QString &name, const QString &text) override
    {
        events.append(u"wanted:" % kind % u'|' % id % u'|' % name % u'|' % text);
        return wantedAlarms.value(id);
    }
    void RunBeep(const QString &lowerText) override { events.append(u"beep:" % lowerText); }
    void RunChatCommand(ChatCommand command, const QString &lowerText) override
    {
        commands.emplace_back(command, lowerText);
        events.append(u"cmd:" % KeywordOf(command) % u'|' % lowerText);
        if (onCommand)
            onCommand(command);
    }
    void AppendInfoLine(const QString &line) override { events.append(u"info:" % line); }

    QStringList RowTexts() const
    {
        QStringList out;
        for (const LogLineRecord &r : rows)
            out.append(RowText(r));
        return out;
    }
    // The events whose text begins with `prefix` ("active:", "cmd:" …).
    QStringList Events(QStringView prefix) const
    {
        QStringList out;
        for (const QString &e : events) {
            if (e.startsWith(prefix))
                out.append(e);
        }
        return out;
    }
    void Clear()
    {
        rows.clear();
        events.clear();
        commands.clear();
    }

    std::vector<LogLineRecord> rows;
    QStringList events;
    std::vector<std::pair<ChatCommand, QString>> commands;
    QHash<QString, QString> wantedAlarms;
    // Runs after a command was recorded, as a handler would.
    std::function<void(ChatCommand)> onCommand;
};
