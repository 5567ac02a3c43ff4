#include "ui/LogFollow.h"

#include <QFileSystemWatcher>
#include <QString>

#include <sys/stat.h>

namespace tarvix {

namespace {

constexpr int kPollMs = 1000;
constexpr int kSettleMs = 200;

}  // namespace

TLogFollow::TLogFollow(QObject* parent) : QObject(parent), watcher_(new QFileSystemWatcher(this))
{
    poll_.setInterval(kPollMs);
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMs);
    connect(&poll_, &QTimer::timeout, this, &TLogFollow::Check);
    connect(&settle_, &QTimer::timeout, this, &TLogFollow::Check);
    connect(watcher_, &QFileSystemWatcher::fileChanged, this, [this] {
        if (!settle_.isActive())
            settle_.start();
    });
}

void TLogFollow::Remember(const std::string& path)
{
    Stop();
    path_ = path;
    device_ = inode_ = 0;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        device_ = static_cast<std::uint64_t>(st.st_dev);
        inode_ = static_cast<std::uint64_t>(st.st_ino);
    }
}

void TLogFollow::Watch(std::uint64_t size)
{
    size_ = size;
    watching_ = true;
    watcher_->addPath(QString::fromStdString(path_));
    poll_.start();
}

void TLogFollow::Stop()
{
    watching_ = false;
    poll_.stop();
    settle_.stop();
    if (!watcher_->files().isEmpty())
        watcher_->removePaths(watcher_->files());
}

void TLogFollow::Check()
{
    if (!watching_)
        return;
    struct stat st {};
    // A file that is gone for the moment (being replaced) is looked at again later.
    if (::stat(path_.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return;
    // A watch ends with the file it was set on: a new file of the name is watched anew.
    if (watcher_->files().isEmpty())
        watcher_->addPath(QString::fromStdString(path_));
    const auto size = static_cast<std::uint64_t>(st.st_size);
    if (static_cast<std::uint64_t>(st.st_dev) != device_ || static_cast<std::uint64_t>(st.st_ino) != inode_ ||
        size < size_)
        emit replaced();
    else if (size > size_)
        emit grown();
}

}  // namespace tarvix
