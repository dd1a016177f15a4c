#pragma once

// How often files of a folder are opened, as the kernel reports it (inotify): for the tests of
// how often a program reads its files.

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
          watching_(watch_ >= 0 &&
                    inotify_add_watch(watch_, QFile::encodeName(folder).constData(), IN_OPEN) >= 0)
    {}
    ~FileOpens()
    {
        if (watch_ >= 0)
            close(watch_);
    }
    FileOpens(const FileOpens&) = delete;
    FileOpens& operator=(const FileOpens&) = delete;

    bool watching() const { return watching_; }

    // The opens of the file `name` since the last call (or since the watch began).
    int count(const char* name)
    {
        int opens = 0;
        alignas(inotify_event) char events[4096];
        for (ssize_t n; (n = read(watch_, events, sizeof events)) > 0;) {
            for (const char* at = events; at < events + n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(at);
                opens += event->len > 0 && qstrcmp(event->name, name) == 0;
                at += sizeof(inotify_event) + event->len;
            }
        }
        return opens;
    }

private:
    int watch_;
    bool watching_;
};
