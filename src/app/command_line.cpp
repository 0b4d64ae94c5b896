// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "app/command_line.h"

#include "core/app_identity.h"

#include <QApplication>
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
    if (options.parser.isSet(QStringLiteral("help-all")))
        showHelpWithQtOptions(options.parser);
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

std::optional<int> rejectUnknownArguments()
{
    Options options;
    if (options.parser.parse(QCoreApplication::arguments()) &&
        options.parser.positionalArguments().isEmpty())
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
