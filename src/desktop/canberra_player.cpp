// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "core/app_identity.h"
#include "desktop/event_sound.h"
#include "support/logging.h"

#include <canberra.h>

namespace {

// libcanberra's player. The context is opened once, when the player is made (at the first
// beep), so that every later beep only hands the sound to the sound server.
class CanberraPlayer final : public EventSoundPlayer
{
public:
    CanberraPlayer()
    {
        if (const int error = ca_context_create(&m_context); error != CA_SUCCESS) {
            qCWarning(lcSound) << "No desktop sounds:" << ca_strerror(error);
            m_context = nullptr;
            return;
        }
        ca_context_change_props(m_context, CA_PROP_APPLICATION_NAME, APPLICATION_NAME,
                                CA_PROP_APPLICATION_ID, APPLICATION_ID,
                                CA_PROP_APPLICATION_ICON_NAME, "marrowquill", nullptr);
        if (const int error = ca_context_open(m_context); error != CA_SUCCESS) {
            qCWarning(lcSound) << "No desktop sounds: cannot reach a sound system:"
                               << ca_strerror(error) << "- alerts ring the display's bell";
            ca_context_destroy(m_context);
            m_context = nullptr;
        }
    }
    CanberraPlayer(const CanberraPlayer&) = delete;
    CanberraPlayer& operator=(const CanberraPlayer&) = delete;
    ~CanberraPlayer() override
    {
        if (m_context)
            ca_context_destroy(m_context);
    }

    bool play(const char* eventId) override
    {
        if (!m_context)
            return false;
        const int error = ca_context_play(m_context, 0, CA_PROP_EVENT_ID, eventId,
                                          CA_PROP_EVENT_DESCRIPTION, "Change in a folder", nullptr);
        if (error != CA_SUCCESS) {
            qCWarning(lcSound) << "Cannot play the sound" << eventId << "-" << ca_strerror(error);
        }
        return error == CA_SUCCESS;
    }

private:
    ca_context* m_context = nullptr;
};

} // namespace

std::unique_ptr<EventSoundPlayer> makeEventSoundPlayer()
{
    return std::make_unique<CanberraPlayer>();
}
