// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <functional>

class QWidget;

// Watches, while the caller runs a modal dialog, for that dialog to become the active modal
// widget (or for a message box to be shown); then hands it to `inspect` and closes it (rejects it,
// unless inspect closed it). Stops looking after `timeoutMs`.
class ModalWatch
{
public:
    explicit ModalWatch(std::function<void(QWidget* dialog)> inspect, int timeoutMs = 5000);

    bool sawDialog() const { return m_sawDialog; }

private:
    void poll();

    std::function<void(QWidget*)> m_inspect;
    int m_timeoutMs;
    QElapsedTimer m_elapsed;
    QTimer m_timer;
    bool m_sawDialog = false;
};
