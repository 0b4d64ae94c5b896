// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

// While it lives, file access is checked as the unprivileged user "nobody" when the tests run
// as root, who would otherwise read and write anything. Only the effective user changes, and
// it changes back when this goes.
class Unprivileged
{
public:
    Unprivileged();
    ~Unprivileged();
    Unprivileged(const Unprivileged&) = delete;
    Unprivileged& operator=(const Unprivileged&) = delete;

    // False when running as root and the switch failed: permission checks would not hold.
    bool holds() const { return m_holds; }

private:
    bool m_switched = false;
    bool m_holds = true;
};
