// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include "core/alerts.h"

#include <functional>
#include <memory>

// Plays a named event sound of the desktop's sound theme.
class EventSoundPlayer
{
public:
    virtual ~EventSoundPlayer() = default;

    // Starts the sound and returns without waiting for it to end. False when it cannot be
    // played: no sound system, no such sound in the theme.
    virtual bool play(const char* eventId) = 0;
};

// The desktop's own player where the system has one, or one that never plays.
std::unique_ptr<EventSoundPlayer> makeEventSoundPlayer();

// The alert sound as today's desktops play it: the sound theme's window-system bell, else its
// plain bell, else the display's bell (which most desktops mute, and Wayland does not ring).
//
// The player is made when the first beep is due, and kept: a user who never hears a sound
// (with "Alert Sound" off) never has the sound system looked for, nor its absence logged.
class DesktopBeeper final : public Beeper
{
public:
    using PlayerFactory = std::function<std::unique_ptr<EventSoundPlayer>()>;

    DesktopBeeper(PlayerFactory makePlayer, Beeper& fallback);

    void beep() override;

private:
    PlayerFactory m_makePlayer;
    std::unique_ptr<EventSoundPlayer> m_player;
    Beeper& m_fallback;
};
