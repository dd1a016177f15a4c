#pragma once

#include <QString>

namespace platform {

// Plays a sound file asynchronously through the desktop's event-sound service (libcanberra:
// PulseAudio or ALSA). Returns at once; a new request replaces one still playing. Without an
// audio device, or for a file it cannot play, nothing happens and false is returned: sound is
// never worth an error message.
bool playSoundFile(const QString& path);

} // namespace platform
