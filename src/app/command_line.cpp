// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "app/command_line.h"

#include "core/app_identity.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

QtMessageHandler qtsOwnHandler = nullptr;

// While the display is being opened: Qt's warnings about it are held back, and its fatal
// error (no platform could be started) becomes one line and exit status 1.
void displayOpeningHandler(QtMsgType type, const QMessageLogContext& context,
                           const QString& message)
{
    if (type == QtFatalMsg) {
        const char* display = std::getenv("DISPLAY");
        const char* wayland = std::getenv("WAYLAND_DISPLAY");
        std::fprintf(stderr,
                     "%s: cannot open a window: no display could be opened "
                     "(DISPLAY=%s, WAYLAND_DISPLAY=%s)\n",
                     MARROWQUILL_EXECUTABLE_NAME, display ? display : "", wayland ? wayland : "");
        std::fflush(stderr);
        ::_exit(1);
    }
    if (context.category && std::strncmp(context.category, "qt.qpa", 6) == 0)
        return;
    if (qtsOwnHandler)
        qtsOwnHandler(type, context, message);
}

} // namespace

std::optional<int> handleCommandLine(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    // Qt's own options, which QApplication takes, and what follows those that take a value.
    static const QStringList qtOptionsWithValue{
        QStringLiteral("-platform"),        QStringLiteral("-display"),
        QStringLiteral("-style"),           QStringLiteral("-platformtheme"),
        QStringLiteral("-qwindowgeometry"), QStringLiteral("-qwindowtitle"),
        QStringLiteral("-qwindowicon"),     QStringLiteral("-name")};
    QStringList ours{arguments.value(0)};
    for (int i = 1; i < arguments.size(); ++i) {
        if (qtOptionsWithValue.contains(arguments[i]))
            ++i;
        else
            ours << arguments[i];
    }

    QCoreApplication::setApplicationName(QString::fromLatin1(MARROWQUILL_EXECUTABLE_NAME));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(PRODUCT_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Watches up to five folders and tells you when files appear in or "
                       "disappear from them."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    if (!parser.parse(ours) || !parser.positionalArguments().isEmpty()) {
        const QString error = parser.positionalArguments().isEmpty()
                                  ? parser.errorText()
                                  : QStringLiteral("unexpected argument '%1'")
                                        .arg(parser.positionalArguments().first());
        std::fprintf(stderr, "%s: %s (try --help)\n", MARROWQUILL_EXECUTABLE_NAME,
                     qPrintable(error));
        return 2;
    }
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        // With no application object yet, the parser cannot know the command's name.
        QString text = parser.helpText();
        text.replace(QStringLiteral("<executable_name>"),
                     QString::fromLatin1(MARROWQUILL_EXECUTABLE_NAME));
        std::fputs(qPrintable(text), stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("%s %s\n", APPLICATION_NAME, PRODUCT_VERSION);
        return 0;
    }
    return std::nullopt;
}

void endQuietlyWhenNoDisplayOpens()
{
    qtsOwnHandler = qInstallMessageHandler(displayOpeningHandler);
}

void restoreMessageHandler()
{
    qInstallMessageHandler(qtsOwnHandler);
}
