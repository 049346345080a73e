#include "core/AppState.h"
#include "logs/MailProcessor.h"
#include "platform/TextFile.h"
#include "support/RecordingChatHost.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kOwn = u"12345678"_s;

QString Mail(const QString &direction, const QString &correspondent, const QStringList &body,
             const QString &time = u"12:00:00"_s)
{
    QString text = time + u'\t' + direction + u'\t' + correspondent + u"\r\n"_s;
    for (const QString &line : body)
        text += line + u"\r\n"_s;
    return text + u"\r\n"_s;
}

QString Row(const QString &time, const QString &id, const QString &name, const QString &text, const QString &tag)
{
    return time + u'|' + id + u'|' + name + u'|' + text + u'|' + tag;
}

} // namespace

class TestMailProcessor : public QObject
{
    Q_OBJECT
private slots:
    void rows_data();
    void rows();
    void headerCarriesOverToLaterLiveText();
    void sentMailTakesTheOwnIdOfTheMoment();
};

void TestMailProcessor::rows_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("rows");

    const QString sent = u"%<Send>"_s;
    const QString recv = u"%<Recv>"_s;
    QTest::newRow("sent, three body lines")
        << Mail(u"<Send>"_s, u"Hanako(87654321)"_s, {u"one"_s, u"two"_s, u"three"_s})
        << QStringList{Row(u"12:00:00"_s, kOwn, u"送信"_s, u"one"_s, sent),
                       Row(u"12:00:00"_s, kOwn, u"送信"_s, u"two"_s, sent),
                       Row(u"12:00:00"_s, kOwn, u"送信"_s, u"three"_s, sent)};
    QTest::newRow("received") << Mail(u"<Recv>"_s, u" Jiro (87654321)"_s, {u" Hi "_s, u"Bye"_s})
                              << QStringList{Row(u"12:00:00"_s, u"87654321"_s, u"Jiro"_s, u"Hi"_s, recv),
                                             Row(u"12:00:00"_s, u"87654321"_s, u"Jiro"_s, u"Bye"_s, recv)};
    QTest::newRow("two mails") << Mail(u"<Recv>"_s, u"Jiro(87654321)"_s, {u"a"_s, u"b"_s})
                                      + Mail(u"<Send>"_s, u"Jiro(87654321)"_s, {u"c"_s, u"d"_s}, u"12:05:00"_s)
                               << QStringList{Row(u"12:00:00"_s, u"87654321"_s, u"Jiro"_s, u"a"_s, recv),
                                              Row(u"12:00:00"_s, u"87654321"_s, u"Jiro"_s, u"b"_s, recv),
                                              Row(u"12:05:00"_s, kOwn, u"送信"_s, u"c"_s, sent),
                                              Row(u"12:05:00"_s, kOwn, u"送信"_s, u"d"_s, sent)};
    // The first body line's ")" pulls the second onto the header line: 5 fields.
    QTest::newRow("first body line ends in a paren")
        << Mail(u"<Recv>"_s, u"Jiro(87654321)"_s, {u"see (a)"_s, u"next"_s, u"last"_s})
        << QStringList{Row(u"12:00:00"_s, u"87654321"_s, u"Jiro"_s, u"see (a) next"_s, recv),
                       Row(u"12:00:00"_s, u"87654321"_s, u"Jiro"_s, u"last"_s, recv)};
    QTest::newRow("body line ending in a paren")
        << Mail(u"<Recv>"_s, u"Jiro(87654321)"_s, {u"a"_s, u"b (c)"_s, u"d"_s})
        << QStringList{Row(u"12:00:00"_s, u"87654321"_s, u"Jiro"_s, u"a"_s, recv),
                       Row(u"12:00:00"_s, u"87654321"_s, u"Jiro"_s, u"b (c) d"_s, recv)};
    QTest::newRow("body line with a TAB")
        << Mail(u"<Recv>"_s, u"Jiro(87654321)"_s, {u"a"_s, u"b\t c"_s})
        << QStringList{Row(u"12:00:00"_s, u"87654321"_s, u"Jiro"_s, u"a"_s, recv),
                       Row(u"12:00:00"_s, u"87654321"_s, u"Jiro"_s, u"b c"_s, recv)};
    QTest::newRow("mail without body") << Mail(u"<Recv>"_s, u"Jiro(87654321)"_s, {})
                                              + Mail(u"<Send>"_s, u"Jiro(87654321)"_s, {u"x"_s}, u"12:01:00"_s)
                                       << QStringList{Row(u"12:00:00"_s, u"87654321"_s, u"Jiro"_s, u""_s, recv),
                                                      Row(u"12:01:00"_s, kOwn, u"送信"_s, u"x"_s, sent)};
    // Three line ends in a row leave one empty line, which makes no row.
    QTest::newRow("empty line in a body")
        << Mail(u"<Recv>"_s, u"Jiro(87654321)"_s, {u"a"_s, u""_s, u""_s, u"b"_s})
        << QStringList{Row(u"12:00:00"_s, u"87654321"_s, u"Jiro"_s, u"a"_s, recv),
                       Row(u"12:00:00"_s, u"87654321"_s, u"Jiro"_s, u"b"_s, recv)};
    QTest::newRow("body before any header") << u"orphan\r\nline\r\n"_s
                                             << QStringList{Row({}, {}, {}, u"orphan"_s, {}),
                                                            Row({}, {}, {}, u"line"_s, {})};
    QTest::newRow("code page bytes")
        << kiv::text::Decode(QByteArray("12:00:00\t<Recv>\t\x95\x5c(87654321)\r\n\x95\x5c\x8e\xa6\r\n\r\n")).text
        << QStringList{Row(u"12:00:00"_s, u"87654321"_s, u"表"_s, u"表示"_s, recv)};
}

// Replay and live text are handled alike, and mail acts on nothing but rows.
void TestMailProcessor::rows()
{
    QFETCH(QString, text);
    QFETCH(QStringList, rows);
    for (const ProcessingMode mode : {ProcessingMode::Replay, ProcessingMode::Live}) {
        AppState state;
        state.ownId = kOwn;
        RecordingChatHost host;
        MailProcessor(state, host).ProcessMailText(text, mode);
        QCOMPARE(host.RowTexts(), rows);
        QCOMPARE(host.Events(u"row:").size(), host.events.size());
    }
}

void TestMailProcessor::headerCarriesOverToLaterLiveText()
{
    AppState state;
    state.ownId = kOwn;
    RecordingChatHost host;
    MailProcessor processor(state, host);
    processor.ProcessMailText(u"12:00:00\t<Recv>\tJiro(87654321)\r\nfirst\r\n"_s, ProcessingMode::Live);
    processor.ProcessMailText(u"second\r\n\r\n"_s, ProcessingMode::Live);
    // Replay text is a file from its start: nothing carries into it.
    processor.ProcessMailText(u"third\r\n"_s, ProcessingMode::Replay);
    QCOMPARE(host.RowTexts(), (QStringList{Row(u"12:00:00"_s, u"87654321"_s, u"Jiro"_s, u"first"_s, u"%<Recv>"_s),
                                           Row(u"12:00:00"_s, u"87654321"_s, u"Jiro"_s, u"second"_s, u"%<Recv>"_s),
                                           Row({}, {}, {}, u"third"_s, {})}));
}

void TestMailProcessor::sentMailTakesTheOwnIdOfTheMoment()
{
    AppState state;
    RecordingChatHost host;
    MailProcessor processor(state, host);
    const QString mail = Mail(u"<Send>"_s, u"Jiro(87654321)"_s, {u"x"_s});
    processor.ProcessMailText(mail, ProcessingMode::Replay);
    state.ownId = kOwn;
    processor.ProcessMailText(mail, ProcessingMode::Replay);
    QCOMPARE(host.RowTexts(), (QStringList{Row(u"12:00:00"_s, kNoOwnId, u"送信"_s, u"x"_s, u"%<Send>"_s),
                                           Row(u"12:00:00"_s, kOwn, u"送信"_s, u"x"_s, u"%<Send>"_s)}));
}

QTEST_GUILESS_MAIN(TestMailProcessor)
#include "tst_mailprocessor.moc"
