#include "core/app_identity.h"
#include "platform/qsettings_store.h"
#include "platform/qt_alerts.h"
#include "platform/qt_screen_info.h"
#include "platform/termination_signals.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QIcon>
#include <QSessionManager>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(APPLICATION_NAME));
    QApplication::setOrganizationName(QString::fromLatin1(APPLICATION_NAME));
    QApplication::setApplicationVersion(QString::fromLatin1(PRODUCT_VERSION));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/marrowquill.xpm")));
    QGuiApplication::setDesktopFileName(QStringLiteral("marrowquill"));

    // A logout, a shutdown or Ctrl+C closes the window as the close box would, so the
    // settings are saved.
    TerminationSignals termination;

    QSettingsStore settings(QString::fromLatin1(APPLICATION_NAME));
    QtBeeper beeper;
    QtScreenInfo screen;
    Form1 window(settings, beeper, screen);

    QObject::connect(&termination, &TerminationSignals::received, &window, &QWidget::close);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager&) { window.close(); });

    window.show();
    app.exec();
    return 0;
}
