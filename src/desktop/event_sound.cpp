// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "desktop/event_sound.h"

DesktopBeeper::DesktopBeeper(PlayerFactory makePlayer, Beeper& fallback)
    : m_makePlayer(std::move(makePlayer)), m_fallback(fallback)
{
}

void DesktopBeeper::beep()
{
    if (!m_player && m_makePlayer)
        m_player = m_makePlayer();
    if (!m_player || (!m_player->play("bell-window-system") && !m_player->play("bell")))
        m_fallback.beep();
}
