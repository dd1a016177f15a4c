#pragma once

// How often files of a folder are opened or written, as the kernel reports it (inotify): for the
// tests of how often a program reads and writes its files.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <sys/inotify.h>
#include <unistd.h>

class FileOpens
{
public:
    explicit FileOpens(const QString& folder)
        : watch_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)),
          watching_(watch_ >= 0 && inotify_add_watch(watch_, QFile::encodeName(folder).constData(),
                                                     IN_OPEN | IN_CLOSE_WRITE | IN_MOVED_TO) >= 0)
    {}
    ~FileOpens()
    {
        if (watch_ >= 0)
            close(watch_);
    }
    FileOpens(const FileOpens&) = delete;
    FileOpens& operator=(const FileOpens&) = delete;

    bool watching() const { return watching_; }

    // The events of `kind` (IN_OPEN: opens; IN_CLOSE_WRITE | IN_MOVED_TO: files written) for
    // the file `name`, or any file when it is null, since the last call (or since the watch
    // began).
    int count(const char* name, uint32_t kind = IN_OPEN)
    {
        int opens = 0;
        alignas(inotify_event) char events[4096];
        for (ssize_t n; (n = read(watch_, events, sizeof events)) > 0;) {
            for (const char* at = events; at < events + n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(at);
                opens += (event->mask & kind) && event->len > 0 &&
                         (!name || qstrcmp(event->name, name) == 0);
                at += sizeof(inotify_event) + event->len;
            }
        }
        return opens;
    }

private:
    int watch_;
    bool watching_;
};
