// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "modal_watch.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>

ModalWatch::ModalWatch(std::function<void(QWidget*)> inspect, int timeoutMs)
    : m_inspect(std::move(inspect)), m_timeoutMs(timeoutMs)
{
    m_elapsed.start();
    m_timer.setInterval(10);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
    m_timer.start();
}

namespace {

// An alert box is modal to its owner without being Qt's modal widget.
QWidget* dialogInFront()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (qobject_cast<QMessageBox*>(window) && window->isVisible())
            return window;
    }
    return QApplication::activeModalWidget();
}

} // namespace

void ModalWatch::poll()
{
    QWidget* modal = dialogInFront();
    if (modal && modal->isVisible()) {
        m_timer.stop();
        m_sawDialog = true;
        m_inspect(modal);
        if (auto* dialog = qobject_cast<QDialog*>(modal); dialog && dialog->isVisible())
            dialog->reject();
    } else if (m_elapsed.hasExpired(m_timeoutMs)) {
        m_timer.stop();
    }
}
