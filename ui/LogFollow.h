// Watching a log file that its mailer writes on: tells when the file has grown past
// the size the window read, and when it was shortened or replaced (cut by the
// program, rotated by logrotate), so that the window reads it again.
//
// The system's file notification (inotify, through QFileSystemWatcher) tells at
// once; a check once a second catches what it misses (network file systems, a file
// replaced under the watch). Notifications come at most every 200 ms.
#pragma once

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <string>

class QFileSystemWatcher;

namespace tarvix {

class TLogFollow : public QObject {
    Q_OBJECT

public:
    explicit TLogFollow(QObject* parent = nullptr);

    // Notes which file the name stands for, before the window reads it: a file put
    // in its place while the window reads counts as replaced.
    void Remember(const std::string& path);
    // Watches the file remembered, which was read up to `size` bytes.
    void Watch(std::uint64_t size);
    void Stop();
    // Looks at the file now (the timer and the notifications call it).
    void Check();

signals:
    // The file is longer than the size read.
    void grown();
    // The file is shorter than the size read, or another file took its name.
    void replaced();

private:
    QFileSystemWatcher* watcher_;
    QTimer poll_;
    QTimer settle_;
    std::string path_;
    std::uint64_t size_ = 0;
    std::uint64_t device_ = 0;
    std::uint64_t inode_ = 0;
    bool watching_ = false;
};

}  // namespace tarvix
