#include "platform/sound.h"

#include <canberra.h>

namespace platform {
namespace {

// One context for the life of the program; created on first use so that a program that never
// plays a sound never talks to the sound server.
ca_context* context()
{
    static ca_context* ctx = [] {
        ca_context* c = nullptr;
        if (ca_context_create(&c) != CA_SUCCESS)
            return static_cast<ca_context*>(nullptr);
        ca_context_change_props(c, CA_PROP_APPLICATION_NAME, "Nimbulo", nullptr);
        return c;
    }();
    return ctx;
}

constexpr uint32_t kSoundId = 1;

} // namespace

bool playSoundFile(const QString& path)
{
    ca_context* ctx = context();
    if (!ctx)
        return false;
    ca_context_cancel(ctx, kSoundId);
    const QByteArray file = path.toLocal8Bit();
    return ca_context_play(ctx, kSoundId, CA_PROP_MEDIA_FILENAME, file.constData(),
                           CA_PROP_EVENT_DESCRIPTION, "Nimbulo alarm", nullptr) == CA_SUCCESS;
}

} // namespace platform
