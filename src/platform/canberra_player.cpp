#include "core/app_identity.h"
#include "platform/event_sound.h"

#include <canberra.h>

namespace {

// libcanberra's player. The context is opened once, when the program starts, so that a beep
// during a tick only hands the sound to the sound server.
class CanberraPlayer final : public EventSoundPlayer
{
public:
    CanberraPlayer()
    {
        if (ca_context_create(&m_context) != CA_SUCCESS) {
            m_context = nullptr;
            return;
        }
        ca_context_change_props(m_context, CA_PROP_APPLICATION_NAME, APPLICATION_NAME,
                                CA_PROP_APPLICATION_ID, APPLICATION_ID,
                                CA_PROP_APPLICATION_ICON_NAME, "marrowquill", nullptr);
        if (ca_context_open(m_context) != CA_SUCCESS) {
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
        return m_context && ca_context_play(m_context, 0, CA_PROP_EVENT_ID, eventId,
                                            CA_PROP_EVENT_DESCRIPTION, "Change in a folder",
                                            nullptr) == CA_SUCCESS;
    }

private:
    ca_context* m_context = nullptr;
};

} // namespace

std::unique_ptr<EventSoundPlayer> makeEventSoundPlayer()
{
    return std::make_unique<CanberraPlayer>();
}
