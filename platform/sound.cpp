#include "platform/sound.h"

#include <QLibrary>

#include <canberra.h>

namespace platform {
namespace {

// The event-sound library, loaded at the first sound: a program that never plays one neither
// loads it (with the six libraries it brings) nor talks to the sound server.
struct EventSounds
{
    decltype(&ca_context_cancel) cancel = nullptr;
    decltype(&ca_context_play) play = nullptr;
    ca_context* context = nullptr; // null: no library, or no context it could make
};

template <class Function> Function resolved(QLibrary& library, const char* name)
{
    // The symbol has the declared type: the header that declares it is the library's own.
    return reinterpret_cast<Function>(library.resolve(name));
}

const EventSounds& eventSounds()
{
    static const EventSounds sounds = [] {
        EventSounds s;
        QLibrary library(QStringLiteral("canberra"), 0);
        const auto create = resolved<decltype(&ca_context_create)>(library, "ca_context_create");
        const auto describe =
            resolved<decltype(&ca_context_change_props)>(library, "ca_context_change_props");
        s.cancel = resolved<decltype(&ca_context_cancel)>(library, "ca_context_cancel");
        s.play = resolved<decltype(&ca_context_play)>(library, "ca_context_play");
        if (!create || !describe || !s.cancel || !s.play || create(&s.context) != CA_SUCCESS)
            return EventSounds{};
        describe(s.context, CA_PROP_APPLICATION_NAME, "Nimbulo", nullptr);
        return s;
    }();
    return sounds;
}

constexpr uint32_t kSoundId = 1;

} // namespace

bool playSoundFile(const QString& path)
{
    const EventSounds& sounds = eventSounds();
    if (!sounds.context)
        return false;
    sounds.cancel(sounds.context, kSoundId);
    const QByteArray file = path.toLocal8Bit();
    return sounds.play(sounds.context, kSoundId, CA_PROP_MEDIA_FILENAME, file.constData(),
                       CA_PROP_EVENT_DESCRIPTION, "Nimbulo alarm", nullptr) == CA_SUCCESS;
}

} // namespace platform
