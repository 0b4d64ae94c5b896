// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include "core/alerts.h"

#include <QPointer>

class DesktopWindows;
class QMessageBox;
class QWidget;

// Rings the desktop's bell.
class QtBeeper final : public Beeper
{
public:
    void beep() override;
};

// A QMessageBox with no icon and only an OK button, modal to its owner window: the owner takes
// no input while the box is up.
//
// The box comes above the user's windows but takes the keyboard only from this program's own
// window; from another program's it asks for attention. When it does get the focus, with OK as
// its default button, a user may still be typing: clicks that reach it are ignored until it has
// been shown for INPUT_QUIET_MS, and keys until INPUT_QUIET_MS after it was shown and after the
// last key it ignored, so that only a user who has seen it dismisses it. A user who comes to it
// later (a click, the taskbar) answers it at once.
class QtMessageBox final : public MessageBox
{
public:
    static constexpr int INPUT_QUIET_MS = 1000;
    // How long a box that asked for the keyboard is given to come in front (be activated)
    // before it and its owner ask for the user's attention instead.
    static constexpr int IN_FRONT_PATIENCE_MS = 1000;

    explicit QtMessageBox(const QString& title, QWidget* owner = nullptr);

    // The window the box belongs to, made after the box since the window's poll needs it.
    void setOwner(QWidget* owner) { m_owner = owner; }
    // Where the desktop is asked to show the box to the user, or to flash it until it is
    // in front or dismissed.
    void setDesktop(DesktopWindows* desktop) { m_desktop = desktop; }

    void show(const QString& prompt) override;

private:
    static void runModal(QMessageBox& box, QWidget* owner);

    QPointer<QWidget> m_owner;
    QString m_title;
    DesktopWindows* m_desktop = nullptr;
};
