// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

// The least a Qt window that wakes every 5 s costs: the yardstick for the program's own cost
// while it watches folders that do not change. It does nothing at each tick, and ends on
// SIGTERM as the program does.

#include <QApplication>
#include <QLabel>
#include <QTimer>

#include <csignal>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    std::signal(SIGTERM, [](int) { std::_Exit(0); });
    QLabel window(QStringLiteral("bare window"));
    window.setWindowTitle(QStringLiteral("bare window"));
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
    timer.start(5000);
    window.show();
    return app.exec();
}
