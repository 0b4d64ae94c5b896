// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGHUP and SIGINT (a logout, a shutdown, Ctrl+C) into a Qt signal delivered by
// the event loop. The handler only writes the signal's number to a socket, which is safe
// inside a signal handler; everything else happens on the event loop's thread. Make one, and
// keep it until the program ends: from then on these signals are ignored.
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

signals:
    void received(int signalNumber);

private:
    void readSignal();

    QSocketNotifier* m_notifier = nullptr;
};
