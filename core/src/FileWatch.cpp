#include <tormakelin/core/FileWatch.h>
#include <tormakelin/core/SystemPath.h>

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>
#include <vector>

namespace tormakelin::core {

namespace {

constexpr uint32_t WatchMask =
    IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;

}  // namespace

FileWatch::FileWatch(const std::string& directory, bool recursive)
    : Thread("Tormakelin.FileWatch", 0, false), m_directory(directory), m_recursive(recursive) {
    m_wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    m_notify = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (m_notify >= 0 && inotify_add_watch(m_notify, toSystemPath(m_directory).c_str(), WatchMask) < 0) {
        close(m_notify);
        m_notify = -1;
    }
    if (m_notify >= 0) {
        watchFolders();
    }
    takeSnapshot(m_snapshot);
    // Only now may run() start.
    resume();
}

FileWatch::~FileWatch() {
    exit();
    if (m_wake >= 0) {
        uint64_t one = 1;
        ssize_t written = write(m_wake, &one, sizeof one);
        (void)written;
    }
    stopAndWait();
    if (m_notify >= 0) {
        close(m_notify);
    }
    if (m_wake >= 0) {
        close(m_wake);
    }
}

void FileWatch::takeSnapshot(std::map<std::string, FileInfo>& snapshot) const {
    std::vector<FileInfo> files;
    findFiles(m_directory, "*.*", files, m_recursive);
    snapshot.clear();
    for (const FileInfo& file : files) {
        snapshot[file.name] = file;
    }
}

void FileWatch::watchFolders() {
    if (!m_recursive) {
        return;
    }
    // Adding a folder that is already watched only refreshes its mask.
    std::vector<FileInfo> files;
    findFiles(m_directory, "*.*", files, true);
    for (const FileInfo& file : files) {
        if (file.isDirectory) {
            inotify_add_watch(m_notify, toSystemPath(file.name).c_str(), WatchMask);
        }
    }
}

bool FileWatch::drainNotifications() {
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        ssize_t n = read(m_notify, buffer, sizeof buffer);
        if (n > 0) {
            continue;
        }
        return n == 0 || errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
    }
}

void FileWatch::reportChanges() {
    ScopedCriticalSection guard(m_lock);
    for (IFileWatchListener* listener : m_listeners) {
        listener->directoryChanged(m_directory);
    }
    std::map<std::string, FileInfo> fresh;
    takeSnapshot(fresh);
    for (const auto& [name, file] : fresh) {
        auto old = m_snapshot.find(name);
        if (old != m_snapshot.end() && old->second.lastWriteTime != file.lastWriteTime) {
            for (IFileWatchListener* listener : m_listeners) {
                listener->fileChanged(file);
            }
        }
    }
    m_snapshot.swap(fresh);
    watchFolders();
}

int FileWatch::run() {
    // A folder that cannot be watched ends the thread rather than spinning on errors.
    if (m_notify < 0 || m_wake < 0) {
        return 0;
    }
    while (!isShuttingDown()) {
        pollfd fds[2] = {{m_notify, POLLIN, 0}, {m_wake, POLLIN, 0}};
        int ready = poll(fds, 2, -1);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        if (isShuttingDown() || (fds[1].revents & POLLIN)) {
            break;
        }
        if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) {
            break;
        }
        if (fds[0].revents & POLLIN) {
            if (!drainNotifications()) {
                break;
            }
            reportChanges();
        }
    }
    return 0;
}

bool FileWatch::registerListener(IFileWatchListener* listener) {
    if (!listener) {
        return false;
    }
    ScopedCriticalSection guard(m_lock);
    m_listeners.push_back(listener);
    return true;
}

bool FileWatch::unregisterListener(IFileWatchListener* listener) {
    ScopedCriticalSection guard(m_lock);
    auto it = std::find(m_listeners.begin(), m_listeners.end(), listener);
    if (it == m_listeners.end()) {
        return false;
    }
    m_listeners.erase(it);
    return true;
}

}  // namespace tormakelin::core
