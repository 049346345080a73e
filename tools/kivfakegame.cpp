// kivfakegame: writes game-like chat, action and mail records into a LOG folder, in code
// page 932 with CR LF, one write per record, at a chosen rate and for a chosen time.
// Used by the demo, the end-to-end tests and the benchmarks.
#include "platform/Cp932.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QThread>
#include <QTime>

#include <cstdio>
#include <memory>

namespace {

struct Player
{
    QString name;
    QString id;
};

const QList<Player> kPlayers = {
    {QStringLiteral("たろう"), QStringLiteral("10000001")},    {QStringLiteral("Hanako"), QStringLiteral("10000002")},
    {QStringLiteral("剣士ケン"), QStringLiteral("10000003")},  {QStringLiteral("魔法使い表"), QStringLiteral("10000004")},
    {QStringLiteral("ソラ"), QStringLiteral("10000005")},      {QStringLiteral("Mikan"), QStringLiteral("10000006")},
    {QStringLiteral("①ばん"), QStringLiteral("10000007")},     {QStringLiteral("ゆき～"), QStringLiteral("10000008")},
};

const QStringList kChannels = {QStringLiteral("<Public>"), QStringLiteral("<Party>"), QStringLiteral("<Guild>"),
                               QStringLiteral("<Whisper>")};

const QStringList kTexts = {
    QStringLiteral("こんにちは！"),
    QStringLiteral("よろしくお願いします"),
    QStringLiteral("ボス行きましょう"),
    QStringLiteral("回復します"),
    QStringLiteral("表ダンジョンの地図ある？"),
    QStringLiteral("thanks!"),
    QStringLiteral("ドロップ確認お願いします (笑)"),
    QStringLiteral("ソードの強化に成功した～"),
    QStringLiteral("ＭＰ切れです"),
    QStringLiteral("lol"),
};

const QStringList kItems = {QStringLiteral("ポーション"), QStringLiteral("エーテル"), QStringLiteral("鉄の剣"),
                            QStringLiteral("竜のうろこ"), QStringLiteral("表裏の指輪"), QStringLiteral("ペルカ")};

const QStringList kActs = {QStringLiteral("[pickup]"), QStringLiteral("[pickup]"), QStringLiteral("[pickup]"),
                           QStringLiteral("[sell]"), QStringLiteral("[buy]")};

const QStringList kOwnCommands = {QStringLiteral("@calc (1200+800)/3"), QStringLiteral("@1+2*3"),
                                  QStringLiteral("@info"), QStringLiteral("@who")};

class Game
{
public:
    Game(QString folder, QDate date, QString ownId, bool commands, quint32 seed)
        : m_folder(std::move(folder))
        , m_date(date)
        , m_ownId(std::move(ownId))
        , m_commands(commands)
        , m_random(seed)
    {
    }

    // One record of a kind chosen at random: mostly chat, some actions, a little mail.
    bool WriteOne()
    {
        const int pick = int(m_random.bounded(100));
        if (pick < 75)
            return Append(QStringLiteral("ChatLog_"), ChatRecord());
        if (pick < 95)
            return Append(QStringLiteral("ActionLog_"), ActionRecord());
        return Append(QStringLiteral("MailLog_"), MailRecord());
    }

    bool WriteChat(const QString &text, const Player &who)
    {
        return Append(QStringLiteral("ChatLog_"), Header(kChannels[0], who) + text + QStringLiteral("\r\n\r\n"));
    }

private:
    QString Now() const { return QTime::currentTime().toString(QStringLiteral("HH:mm:ss")); }

    QString Header(const QString &kind, const Player &who) const
    {
        return Now() + u'\t' + kind + u'\t' + who.name + u'(' + who.id + QStringLiteral(")\r\n");
    }

    const QString &Pick(const QStringList &list) { return list[int(m_random.bounded(quint32(list.size())))]; }

    QString ChatRecord()
    {
        if (m_commands && !m_ownId.isEmpty() && m_random.bounded(20) == 0) {
            const Player me{QStringLiteral("わたし"), m_ownId};
            return Header(QStringLiteral("<Party>"), me) + Pick(kOwnCommands) + QStringLiteral("\r\n\r\n");
        }
        const Player &who = kPlayers[int(m_random.bounded(quint32(kPlayers.size())))];
        return Header(Pick(kChannels), who) + Pick(kTexts) + QStringLiteral("\r\n\r\n");
    }

    QString ActionRecord()
    {
        const Player &who = kPlayers[int(m_random.bounded(quint32(kPlayers.size())))];
        const QString &item = Pick(kItems);
        const QString count = item == QStringLiteral("ペルカ") ? QString::number(m_random.bounded(10, 5000))
                                                              : QString::number(m_random.bounded(1, 4));
        return Now() + u'\t' + who.id + u'\t' + who.name + u'\t' + Pick(kActs) + QStringLiteral("\t-\t") + item +
               u'(' + count + QStringLiteral(")\r\n");
    }

    QString MailRecord()
    {
        const Player &who = kPlayers[int(m_random.bounded(quint32(kPlayers.size())))];
        const QString direction = m_random.bounded(2) ? QStringLiteral("<Recv>") : QStringLiteral("<Send>");
        return Header(direction, who) + QStringLiteral("例の件ですが\r\n明日の21時でどうでしょう\r\n\r\n");
    }

    bool Append(const QString &prefix, const QString &record)
    {
        QFile file(m_folder + u'/' + prefix + m_date.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".txt"));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
            std::fprintf(stderr, "kivfakegame: cannot write %s\n", qPrintable(file.fileName()));
            return false;
        }
        // One write per record, as the game does.
        const QByteArray bytes = kiv::cp932::Encode(record);
        return file.write(bytes) == bytes.size();
    }

    QString m_folder;
    QDate m_date;
    QString m_ownId;
    bool m_commands;
    QRandomGenerator m_random;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kivfakegame"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Writes game-like log records into a LOG folder."));
    parser.addHelpOption();
    const QCommandLineOption dirOption(QStringLiteral("log-dir"), QStringLiteral("LOG folder to write into."),
                                       QStringLiteral("folder"));
    const QCommandLineOption rateOption(QStringLiteral("rate"), QStringLiteral("Records per second (default 2)."),
                                        QStringLiteral("n"), QStringLiteral("2"));
    const QCommandLineOption durationOption(QStringLiteral("duration"),
                                            QStringLiteral("Seconds to run; 0 runs until stopped (default 0)."),
                                            QStringLiteral("s"), QStringLiteral("0"));
    const QCommandLineOption countOption(QStringLiteral("records"),
                                         QStringLiteral("Write this many records as fast as possible, then stop."),
                                         QStringLiteral("n"));
    const QCommandLineOption idOption(QStringLiteral("own-id"), QStringLiteral("The user's own 8-digit ID."),
                                      QStringLiteral("id"), QStringLiteral("12345678"));
    const QCommandLineOption commandsOption(QStringLiteral("commands"),
                                            QStringLiteral("Now and then write a command line of the own ID."));
    const QCommandLineOption sayOption(QStringLiteral("say"),
                                       QStringLiteral("Write one chat line of the own ID with this text and stop."),
                                       QStringLiteral("text"));
    const QCommandLineOption dateOption(QStringLiteral("date"), QStringLiteral("Date of the files (yyyyMMdd); today by default."),
                                        QStringLiteral("date"));
    const QCommandLineOption seedOption(QStringLiteral("seed"), QStringLiteral("Random seed."), QStringLiteral("n"),
                                        QStringLiteral("1"));
    parser.addOptions({dirOption, rateOption, durationOption, countOption, idOption, commandsOption, sayOption,
                       dateOption, seedOption});
    parser.process(app);

    const QString folder = parser.value(dirOption);
    if (folder.isEmpty() || !QDir().mkpath(folder)) {
        std::fprintf(stderr, "kivfakegame: give an existing or creatable --log-dir\n");
        return 2;
    }
    QDate date = QDate::currentDate();
    if (parser.isSet(dateOption)) {
        date = QDate::fromString(parser.value(dateOption), QStringLiteral("yyyyMMdd"));
        if (!date.isValid()) {
            std::fprintf(stderr, "kivfakegame: --date takes yyyyMMdd\n");
            return 2;
        }
    }
    Game game(folder, date, parser.value(idOption), parser.isSet(commandsOption), parser.value(seedOption).toUInt());

    if (parser.isSet(sayOption))
        return game.WriteChat(parser.value(sayOption), {QStringLiteral("わたし"), parser.value(idOption)}) ? 0 : 1;

    if (parser.isSet(countOption)) {
        const long long count = parser.value(countOption).toLongLong();
        for (long long i = 0; i < count; ++i) {
            if (!game.WriteOne())
                return 1;
        }
        return 0;
    }

    const double rate = std::max(0.1, parser.value(rateOption).toDouble());
    const double duration = parser.value(durationOption).toDouble();
    QElapsedTimer clock;
    clock.start();
    long long written = 0;
    while (duration <= 0 || clock.elapsed() < duration * 1000) {
        const qint64 due = qint64(written * 1000.0 / rate);
        const qint64 wait = due - clock.elapsed();
        if (wait > 0)
            QThread::msleep(quint64(wait));
        if (!game.WriteOne())
            return 1;
        ++written;
    }
    return 0;
}
