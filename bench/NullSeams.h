#pragma once

// Seams that do nothing, for benchmarks and fuzz targets that run the logic without
// windows or sounds.
#include "app/KivLogic.h"
#include "core/IInfoOutput.h"
#include "core/IStatusText.h"
#include "platform/IClock.h"
#include "platform/IDesktop.h"
#include "platform/IPrompts.h"
#include "platform/ISoundPlayer.h"
#include "roster/RosterTracker.h"

#include <QDate>
#include <QDateTime>

namespace bench {

// The program always in front, so the roster timer never runs.
class NullTimer final : public IRosterTimer
{
public:
    bool ProgramActive() const override { return true; }
    void StopRosterTimer() override {}
    void RestartRosterTimer() override {}
};

class NullInfo final : public IInfoOutput
{
public:
    void AppendInfoLine(const QString &) override {}
    void ClearInfo() override {}
    bool IsInfoVisible() const override { return false; }
    void ShowInfo() override {}
    void HideInfo() override {}
    QString InfoText() const override { return {}; }
    void SetInfoColours(unsigned, unsigned) override {}
    void SetInfoSize(int, int) override {}
    int InfoWidth() const override { return 392; }
    int InfoHeight() const override { return 80; }
    void SetInfoAlpha(int) override {}
    int InfoAlpha() const override { return 255; }
    int ScreenHeight() const override { return 768; }
};

class NullStatus final : public IStatusText
{
public:
    void SetStatusText(const QString &) override {}
    QString StatusText() const override { return {}; }
};

class NullPrompts final : public IPrompts
{
public:
    void Information(const QString &) override {}
    void Warning(const QString &) override {}
    bool Question(const QString &) override { return false; }
    bool InputQuery(const QString &, const QString &, QString &) override { return false; }
    QString ChooseFolder(const QString &) override { return {}; }
};

class NullSound final : public ISoundPlayer
{
public:
    void PlayWave(const QString &) override {}
};

class NullDesktop final : public IDesktop
{
public:
    void OpenUrl(const QString &) override {}
    void SetClipboardText(const QString &) override {}
};

const QDate kDay(2026, 12, 7);

class FixedClock final : public IClock
{
public:
    QDateTime Now() const override { return QDateTime(kDay, QTime(12, 0)); }
};

// One of each, handed to the logic as its seams.
struct NullSeamSet
{
    NullInfo info;
    NullStatus status;
    NullPrompts prompts;
    NullDesktop desktop;
    NullSound sound;
    FixedClock clock;

    KivLogic::Seams Seams() { return KivLogic::Seams{info, status, prompts, desktop, sound, clock}; }
};

} // namespace bench
