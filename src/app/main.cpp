#include "app/TFrmKivMain.h"
#include "commands/TInfoWindow.h"
#include "items/TInfoGrid.h"
#include "items/TInfoGridHin.h"
#include "platform/DisplayChoices.h"
#include "platform/FileNames.h"
#include "platform/IClock.h"
#include "platform/Prefault.h"
#include "platform/ProgramLock.h"
#include "app/QtPrompts.h"
#include "platform/TerminationSignals.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFont>

#include <cstdio>
#include <unistd.h>

namespace {

void MapDesignFonts()
{
    const QStringList japanese{QStringLiteral("IPAGothic"), QStringLiteral("IPAPGothic"),
                               QStringLiteral("Noto Sans CJK JP"), QStringLiteral("Noto Sans Mono CJK JP")};
    QFont::insertSubstitutions(QStringLiteral("MS UI Gothic"), japanese);
    QFont::insertSubstitutions(QStringLiteral("ＭＳ ゴシック"), japanese);
}

} // namespace

int main(int argc, char *argv[])
{
    kiv::memory::KeepFreedMemoryForReuse();
    kiv::display::ChooseBeforeStart();
    if (!kiv::display::DisplayNamed()) {
        std::fprintf(stderr, "KivReader shows windows and needs a desktop: no display is set (DISPLAY or WAYLAND_DISPLAY).\n");
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kivreader"));
    MapDesignFonts();

    // All files of the program live beside the binary; the settings file is named
    // after it.
    const QFileInfo binary(QApplication::applicationFilePath());
    TFrmKivMain::Paths paths;
    paths.programFolder = binary.absolutePath() + u'/';
    paths.settingsPath = kiv::files::Resolve(paths.programFolder, binary.completeBaseName() + QStringLiteral(".ini"));

    QtPrompts prompts;
    SystemClock clock;
    kiv::files::ProgramLock lock(paths.programFolder);
    if (lock.TryClaim() == kiv::files::ProgramLock::Claim::HeldByOther) {
        prompts.Warning(QStringLiteral("KivReader はこのフォルダー (%1) ですでに起動しています。")
                            .arg(QDir::toNativeSeparators(binary.absolutePath())));
        return 0;
    }
    // A request to end while the start-up questions are open ends the program at once:
    // nothing has been changed yet that would need saving, and the questions' own event
    // loops would otherwise swallow it.
    TerminationSignals termination;
    auto endDuringStartup = QObject::connect(&termination, &TerminationSignals::Received, &app, [] { ::_exit(0); });

    TFrmKivMain mainWindow(paths, prompts, clock);
    QObject::disconnect(endDuringStartup);
    prompts.SetOwner(&mainWindow);
    TInfoWindow info;
    TInfoGridHin itemHin;
    TInfoGrid item;
    mainWindow.SetSideWindows(&info, &itemHin, &item);
    mainWindow.SetRememberPosition(1);

    QObject::connect(&termination, &TerminationSignals::Received, &mainWindow, [&mainWindow] {
        mainWindow.SetSessionEnding();
        mainWindow.close();
    });
    // A session that ends without closing the window still saves.
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &mainWindow, [&mainWindow] {
        mainWindow.SetSessionEnding();
        mainWindow.RunCloseSteps();
    });

    mainWindow.show();
    return QApplication::exec();
}
