// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "app/command_line.h"

#include "core/app_identity.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>

#include <algorithm>

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

namespace {

// The options QGuiApplication, QApplication and the xcb platform take for themselves, as Qt
// documents them, and those of them that take the next argument as their value. Qt also takes
// each with two dashes, and "-style=" and "-stylesheet=" with the value joined.
const QStringList qtOptionsWithValue{QStringLiteral("-platform"),
                                     QStringLiteral("-platformpluginpath"),
                                     QStringLiteral("-platformtheme"),
                                     QStringLiteral("-plugin"),
                                     QStringLiteral("-qwindowgeometry"),
                                     QStringLiteral("-geometry"),
                                     QStringLiteral("-qwindowtitle"),
                                     QStringLiteral("-title"),
                                     QStringLiteral("-qwindowicon"),
                                     QStringLiteral("-icon"),
                                     QStringLiteral("-session"),
                                     QStringLiteral("-display"),
                                     QStringLiteral("-name"),
                                     QStringLiteral("-visual"),
                                     QStringLiteral("-style"),
                                     QStringLiteral("-stylesheet")};
const QStringList qtFlags{QStringLiteral("-reverse"), QStringLiteral("-testability"),
                          QStringLiteral("-widgetcount"), QStringLiteral("-nograb"),
                          QStringLiteral("-dograb")};
const QStringList qtJoinedPrefixes{QStringLiteral("-style="), QStringLiteral("-stylesheet="),
                                   QStringLiteral("-qmljsdebugger=")};

// The option as Qt reads it: one of two leading dashes dropped.
QString qtSpelling(const QString& argument)
{
    return argument.startsWith(QLatin1String("--")) ? argument.mid(1) : argument;
}

bool isQtFlag(const QString& argument)
{
    const QString option = qtSpelling(argument);
    return qtFlags.contains(option) ||
           std::any_of(qtJoinedPrefixes.cbegin(), qtJoinedPrefixes.cend(),
                       [&](const QString& prefix) { return option.startsWith(prefix); });
}

// Qt documents its own options only to the parser of a running application: one is made on the
// offscreen platform, which needs no display, and the parser prints the help and ends the
// program with 0.
[[noreturn]] void showHelpWithQtOptions(QCommandLineParser& parser)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    QByteArray executable(MARROWQUILL_EXECUTABLE_NAME);
    char* argv[] = {executable.data(), nullptr};
    int argc = 1;
    const QApplication app(argc, argv);
    parser.process(QStringList{QString::fromLatin1(executable), QStringLiteral("--help-all")});
    std::exit(0); // not reached: the parser has ended the program
}

} // namespace

std::optional<int> handleCommandLine(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    // Qt's own options are QApplication's to take; the rest are this program's.
    QStringList ours{arguments.value(0)};
    for (int i = 1; i < arguments.size(); ++i) {
        if (qtOptionsWithValue.contains(qtSpelling(arguments[i]))) {
            if (i + 1 == arguments.size()) {
                std::fprintf(stderr, "%s: option '%s' needs a value (try --help)\n",
                             MARROWQUILL_EXECUTABLE_NAME, qPrintable(arguments[i]));
                return 2;
            }
            ++i;
        } else if (!isQtFlag(arguments[i])) {
            ours << arguments[i];
        }
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
    if (parser.isSet(QStringLiteral("help-all")))
        showHelpWithQtOptions(parser);
    if (parser.isSet(help)) {
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
