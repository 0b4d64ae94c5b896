// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "platform/event_sound.h"

DesktopBeeper::DesktopBeeper(EventSoundPlayer& player, Beeper& fallback)
    : m_player(player), m_fallback(fallback)
{
}

void DesktopBeeper::beep()
{
    if (!m_player.play("bell-window-system") && !m_player.play("bell"))
        m_fallback.beep();
}
