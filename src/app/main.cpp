// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "app/command_line.h"
#include "app/session_wiring.h"
#include "core/app_identity.h"
#include "core/qt_timer.h"
#include "counting/threaded_file_counter.h"
#include "desktop/desktop_windows.h"
#include "desktop/event_sound.h"
#include "desktop/qt_alerts.h"
#include "desktop/qt_screen_info.h"
#include "session/single_instance.h"
#include "session/termination_signals.h"
#include "settings/qsettings_store.h"
#include "ui/main_window.h"
#include "ui/qt_translations.h"

#include <QApplication>
#include <QEventLoop>
#include <QIcon>

#include <memory>
#include <optional>
#include <system_error>
#include <thread>

namespace {

// Waits for the last save with the event loop running, so that the lock's socket answers.
void waitForSaves(QSettingsStore& settings)
{
    QEventLoop saving;
    std::thread waiter;
    try {
        waiter = std::thread([&] {
            settings.waitForSaves();
            QMetaObject::invokeMethod(&saving, &QEventLoop::quit, Qt::QueuedConnection);
        });
    } catch (const std::system_error&) {
        settings.waitForSaves(); // no thread to be had: a later start is then told nothing
        return;
    }
    saving.exec();
    waiter.join();
}

} // namespace

int main(int argc, char** argv)
{
    if (const std::optional<int> status = handleInformationOptions(argc, argv))
        return *status;
    endQuietlyWhenNoDisplayOpens();
    chooseWindowPlatform();
    // Qt's X11 plugin takes the launcher's startup id out of the environment as it starts.
    const QByteArray launchToken = SingleInstance::launchTokenFromEnvironment();
    QApplication app(argc, argv);
    restoreMessageHandler();
    if (const std::optional<int> status = handleRemainingArguments())
        return *status;
    QApplication::setApplicationName(QString::fromLatin1(APPLICATION_NAME));
    QApplication::setOrganizationName(QString::fromLatin1(APPLICATION_NAME));
    QApplication::setApplicationVersion(QString::fromLatin1(PRODUCT_VERSION));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/marrowquill.xpm")));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(APPLICATION_ID));
    const QtTranslations qtTexts; // the chooser's buttons and menus in the desktop's language

    // Two copies would each write the settings on close, the last undoing the other's
    // changes: a second start brings the running window to the front and goes, before it
    // reads or writes any setting.
    SingleInstance instance(QStringLiteral("marrowquill"));
    instance.setLaunchToken(launchToken);
    if (const SingleInstance::Claim claim = instance.claim(); claim != SingleInstance::Claim::Run)
        return claim == SingleInstance::Claim::HandedOver ? 0 : 1;

    // A logout, a shutdown or Ctrl+C closes the window as the close box would, so the
    // settings are saved.
    TerminationSignals termination;

    QSettingsStore settings(QString::fromLatin1(APPLICATION_NAME));
    QtBeeper displayBell;
    DesktopBeeper beeper(makeEventSoundPlayer, displayBell);
    QtScreenInfo screen;
    ThreadedFileCounter fileCounter;
    QtTimer pollTimer(QtTimer::Kind::Repeating);
    QtTimer countPatience(QtTimer::Kind::SingleShot);
    const std::unique_ptr<DesktopWindows> desktop = makeDesktopWindows();
    QtMessageBox alertBox(QString::fromLatin1(PRODUCT_TITLE));
    alertBox.setDesktop(desktop.get());
    Form1 window({settings, fileCounter, pollTimer, countPatience, beeper, alertBox, screen});
    alertBox.setOwner(&window);

    connectToSession(app, window, termination, instance, *desktop);

    window.show();
    desktop->centreWhenFramed(&window, screen.geometry());
    app.exec();
    // The window has gone; its last save may still be on its way to the disk. The lock is
    // held until it lands, and a later start is told to wait for it: one that read the file
    // now would write the old values back when it closes.
    instance.setClosing();
    waitForSaves(settings);
    return 0;
}
