// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "app/command_line.h"

#include "core/app_identity.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QStringList>
#include <QStyleFactory>

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

// The program's own options. A single dash starts a word, as in Qt's own -reverse or -session,
// never a run of letters: "-reverse" is not "-r -e -v ...".
struct Options
{
    QCommandLineParser parser;
    QCommandLineOption help = parser.addHelpOption();
    QCommandLineOption version = parser.addVersionOption();

    Options()
    {
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        parser.setApplicationDescription(
            QStringLiteral("Watches up to five folders and tells you when files appear in or "
                           "disappear from them."));
    }
};

// What QApplication takes besides the options Qt 6.4 lists in its help.
void addWidgetOptions(QCommandLineParser& parser)
{
    parser.addOptions(
        {{QStringLiteral("style"),
          QStringLiteral("Widget style: %1.").arg(QStyleFactory::keys().join(QStringLiteral(", "))),
          QStringLiteral("style")},
         {QStringLiteral("stylesheet"), QStringLiteral("Style sheet for the widgets."),
          QStringLiteral("file")},
         {QStringLiteral("widgetcount"),
          QStringLiteral("Prints how many widgets were left, and the most there were, at the "
                         "end.")}});
}

// Qt 6.4 lists its X11 options only where XDG_SESSION_TYPE says "x11", as it cannot tell there
// which platform the program runs on; here the platform is known.
[[noreturn]] void showHelpWithQtOptions()
{
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        qputenv("XDG_SESSION_TYPE", "x11");
    Options options;
    addWidgetOptions(options.parser);
    options.parser.process(
        QStringList{QCoreApplication::arguments().first(), QStringLiteral("--help-all")});
    std::exit(0); // not reached: the parser has ended the program
}

} // namespace

std::optional<int> handleInformationOptions(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCoreApplication::setApplicationName(QString::fromLatin1(MARROWQUILL_EXECUTABLE_NAME));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(PRODUCT_VERSION));
    Options options;
    // Qt's own options are not known yet: they are unknown here, and not an error.
    options.parser.parse(arguments);
    // Qt's options are those of the platform the program runs on, listed once it runs; without
    // any display, those Qt takes on every platform.
    if (options.parser.isSet(QStringLiteral("help-all")) &&
        qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (options.parser.isSet(options.help)) {
        // With no application object yet, the parser cannot know the command's name.
        QString text = options.parser.helpText();
        text.replace(QStringLiteral("<executable_name>"),
                     QString::fromLatin1(MARROWQUILL_EXECUTABLE_NAME));
        std::fputs(qPrintable(text), stdout);
        return 0;
    }
    if (options.parser.isSet(options.version)) {
        std::printf("%s %s\n", APPLICATION_NAME, PRODUCT_VERSION);
        return 0;
    }
    return std::nullopt;
}

std::optional<int> handleRemainingArguments()
{
    Options options;
    addWidgetOptions(options.parser);
    // Qt's options that take a value, which Qt 6.4 leaves behind when the value is missing.
    QStringList leftWithoutValue{QStringLiteral("session")};
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        leftWithoutValue << QStringLiteral("display") << QStringLiteral("name")
                         << QStringLiteral("visual");
    options.parser.addOption({leftWithoutValue, QString(), QStringLiteral("value")});
    const bool parsed = options.parser.parse(QCoreApplication::arguments());
    if (parsed && options.parser.isSet(QStringLiteral("help-all")))
        showHelpWithQtOptions();
    if (parsed && options.parser.positionalArguments().isEmpty())
        return std::nullopt;
    const QString error = options.parser.positionalArguments().isEmpty()
                              ? options.parser.errorText()
                              : QStringLiteral("unexpected argument '%1'")
                                    .arg(options.parser.positionalArguments().first());
    std::fprintf(stderr, "%s: %s (try --help)\n", MARROWQUILL_EXECUTABLE_NAME, qPrintable(error));
    return 2;
}

void endQuietlyWhenNoDisplayOpens()
{
    qtsOwnHandler = qInstallMessageHandler(displayOpeningHandler);
}

void restoreMessageHandler()
{
    qInstallMessageHandler(qtsOwnHandler);
}
