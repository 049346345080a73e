#pragma once

#include <QString>

// One log line as the processors hand it to the chat view.
struct LogLineRecord
{
    QString time;
    QString id;
    QString name;
    QString text;
    QString tag;
};
