#pragma once

#include <QString>
#include <QStringView>

// One log line as the processors hand it to the chat view.
struct LogLineRecord
{
    QString time;
    QString id;
    QString name;
    QString text;
    QString tag;
};

// The same values as views, valid for the call they are handed to: the processors pass
// rows this way so that a replayed day costs one copy per row, made by the chat view.
struct LogLineView
{
    QStringView time;
    QStringView id;
    QStringView name;
    QStringView text;
    QStringView tag;
};

inline LogLineView ViewOf(const LogLineRecord &r)
{
    return {r.time, r.id, r.name, r.text, r.tag};
}

inline LogLineRecord RecordOf(const LogLineView &v)
{
    return {v.time.toString(), v.id.toString(), v.name.toString(), v.text.toString(), v.tag.toString()};
}
