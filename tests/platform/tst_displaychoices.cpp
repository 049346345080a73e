#include "platform/DisplayChoices.h"

#include <QTest>

// What the program asks of the display before it starts, from the environment it finds;
// "-" stands for a variable that is not set.
class TestDisplayChoices : public QObject
{
    Q_OBJECT
private slots:
    void choices_data();
    void choices();
};

void TestDisplayChoices::choices_data()
{
    QTest::addColumn<QByteArray>("display");
    QTest::addColumn<QByteArray>("wayland");
    QTest::addColumn<QByteArray>("platform");
    QTest::addColumn<QByteArray>("noShm");
    QTest::addColumn<QByteArray>("platformAfter");
    QTest::addColumn<QByteArray>("noShmAfter");
    QTest::addColumn<bool>("named"); // a display to open, or the program ends with a message
    QTest::newRow("X11") << QByteArray(":0") << QByteArray("-") << QByteArray("-") << QByteArray("-")
                         << QByteArray("-") << QByteArray("1") << true;
    QTest::newRow("Wayland with XWayland") << QByteArray(":0") << QByteArray("wayland-0") << QByteArray("-")
                                           << QByteArray("-") << QByteArray("xcb") << QByteArray("1") << true;
    QTest::newRow("Wayland alone") << QByteArray("-") << QByteArray("wayland-0") << QByteArray("-") << QByteArray("-")
                                   << QByteArray("-") << QByteArray("1") << true;
    QTest::newRow("the user's platform") << QByteArray(":0") << QByteArray("wayland-0") << QByteArray("wayland")
                                         << QByteArray("-") << QByteArray("wayland") << QByteArray("1") << true;
    QTest::newRow("the user's shared memory choice") << QByteArray(":0") << QByteArray("-") << QByteArray("-")
                                                     << QByteArray("0") << QByteArray("-") << QByteArray("0") << true;
    QTest::newRow("no display") << QByteArray("-") << QByteArray("-") << QByteArray("-") << QByteArray("-")
                                << QByteArray("-") << QByteArray("1") << false;
    QTest::newRow("empty display") << QByteArray("") << QByteArray("") << QByteArray("-") << QByteArray("-")
                                   << QByteArray("-") << QByteArray("1") << false;
    QTest::newRow("a platform without a display") << QByteArray("-") << QByteArray("-") << QByteArray("offscreen")
                                                  << QByteArray("-") << QByteArray("offscreen") << QByteArray("1") << true;
}

void TestDisplayChoices::choices()
{
    QFETCH(QByteArray, display);
    QFETCH(QByteArray, wayland);
    QFETCH(QByteArray, platform);
    QFETCH(QByteArray, noShm);
    QFETCH(QByteArray, platformAfter);
    QFETCH(QByteArray, noShmAfter);
    QFETCH(bool, named);
    const auto set = [](const char *name, const QByteArray &value) {
        if (value == "-")
            qunsetenv(name);
        else
            qputenv(name, value);
    };
    const auto get = [](const char *name) {
        return qEnvironmentVariableIsSet(name) ? qgetenv(name) : QByteArray("-");
    };
    set("DISPLAY", display);
    set("WAYLAND_DISPLAY", wayland);
    set("QT_QPA_PLATFORM", platform);
    set("QT_XCB_NO_MITSHM", noShm);
    kiv::display::ChooseBeforeStart();
    QCOMPARE(get("QT_QPA_PLATFORM"), platformAfter);
    QCOMPARE(get("QT_XCB_NO_MITSHM"), noShmAfter);
    QCOMPARE(kiv::display::DisplayNamed(), named);
}

QTEST_GUILESS_MAIN(TestDisplayChoices)
#include "tst_displaychoices.moc"
