#include "platform/DisplayChoices.h"

#include <QByteArray>
#include <QtGlobal>

namespace kiv::display {

void ChooseBeforeStart()
{
    // Side windows must be placed and kept on top, which Wayland does not allow a
    // program to do; XWayland does.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    // On X11 a window's picture goes to the server through shared memory, after which
    // the next paint into it waits until the server has taken it: a round trip, and a
    // wake-up of two threads, for every row a followed log adds. The rows are a narrow
    // strip, the rest of the view moves within the server, so sending the strip through
    // the connection costs less. Other platforms do not read this.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");
}

bool DisplayNamed()
{
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("DISPLAY")
        || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace kiv::display
