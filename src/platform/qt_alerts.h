// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include "core/alerts.h"

#include <QPointer>

class DesktopWindows;
class QWidget;

// Rings the desktop's bell.
class QtBeeper final : public Beeper
{
public:
    void beep() override;
};

// A QMessageBox with no icon and only an OK button, modal to its owner window.
class QtMessageBox final : public MessageBox
{
public:
    explicit QtMessageBox(const QString& title, QWidget* owner = nullptr);

    // The window the box belongs to, made after the box since the window's poll needs it.
    void setOwner(QWidget* owner) { m_owner = owner; }
    // Where the desktop is asked to show the box to the user and flash it until dismissed.
    void setDesktop(DesktopWindows* desktop) { m_desktop = desktop; }

    void show(const QString& prompt) override;

private:
    QPointer<QWidget> m_owner;
    QString m_title;
    DesktopWindows* m_desktop = nullptr;
};
