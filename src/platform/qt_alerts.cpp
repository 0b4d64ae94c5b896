// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "platform/qt_alerts.h"

#include "platform/desktop_windows.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

void QtBeeper::beep()
{
    QApplication::beep();
}

QtMessageBox::QtMessageBox(const QString& title, QWidget* owner) : m_owner(owner), m_title(title) {}

void QtMessageBox::show(const QString& prompt)
{
    QMessageBox box(QMessageBox::NoIcon, m_title, prompt, QMessageBox::Ok, m_owner.data());
    // A path may hold characters that rich text would read as markup.
    box.setTextFormat(Qt::PlainText);
    if (m_desktop) {
        m_desktop->prepareAlert(&box);
        QTimer::singleShot(0, &box, [this, &box] { m_desktop->alertShown(&box, m_owner.data()); });
    }
    box.exec();
    if (m_desktop)
        m_desktop->alertDismissed(m_owner.data());
}
