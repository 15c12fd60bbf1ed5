#pragma once

// How often files of a folder are opened, as the system sees it (inotify):
// what a test tells of a program's reads without asking the program.
#include <QDir>
#include <QFile>
#include <QString>
#include <cerrno>
#include <climits>
#include <sys/inotify.h>
#include <unistd.h>

class FileOpens {
public:
    // Watches the folder, so that a file saved under the same name (written
    // aside and renamed into place) is still counted.
    explicit FileOpens(const QString& folder) : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        if (fd_ >= 0)
            inotify_add_watch(fd_, QFile::encodeName(QDir(folder).absolutePath()).constData(), IN_OPEN);
    }
    ~FileOpens() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileOpens(const FileOpens&) = delete;
    FileOpens& operator=(const FileOpens&) = delete;

    bool watching() const { return fd_ >= 0; }

    // The opens of the file of that name since the last call (or since the
    // watch began).
    int since(const QString& fileName) {
        int count = 0;
        alignas(inotify_event) char buffer[sizeof(inotify_event) + NAME_MAX + 1];
        for (;;) {
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if ((event->mask & IN_OPEN) && event->len > 0 && QFile::decodeName(event->name) == fileName)
                    ++count;
                at += ssize_t(sizeof(inotify_event) + event->len);
            }
        }
        return count;
    }

private:
    int fd_;
};
