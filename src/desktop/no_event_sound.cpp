// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "desktop/event_sound.h"

namespace {

// For a system without libcanberra: every alert falls back to the display's bell.
class NoEventSound final : public EventSoundPlayer
{
public:
    bool play(const char*) override { return false; }
};

} // namespace

std::unique_ptr<EventSoundPlayer> makeEventSoundPlayer()
{
    return std::make_unique<NoEventSound>();
}
