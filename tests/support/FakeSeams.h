#pragma once

#include "platform/IDesktop.h"
#include "platform/IMessenger.h"
#include "platform/ISoundPlayer.h"

#include <QStringList>

// A sound player that keeps the paths it was asked to play.
class FakeSound final : public ISoundPlayer
{
public:
    void PlayWave(const QString &path) override { played.append(path); }
    QStringList played;
};

// A desktop that keeps the last clipboard text and the addresses opened.
class FakeDesktop final : public IDesktop
{
public:
    void OpenUrl(const QString &url) override { opened.append(url); }
    void SetClipboardText(const QString &text) override
    {
        clipboard = text;
        ++clipboardWrites;
    }
    QStringList opened;
    QString clipboard;
    int clipboardWrites = 0;
};

// A messenger that keeps every status delivered, as flag "|" text.
class FakeMessenger final : public IMessenger
{
public:
    void Deliver(const MessengerStatus &status) override { sent.append(status.flag + u'|' + status.text); }
    QStringList sent;
};
