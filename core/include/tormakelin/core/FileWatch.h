#pragma once
// Watches a folder on its own thread and tells listeners about changed files.

#include <tormakelin/core/Export.h>
#include <tormakelin/core/Path.h>
#include <tormakelin/core/Thread.h>

#include <list>
#include <map>
#include <string>

namespace tormakelin::core {

class TORMAKELIN_CORE_API IFileWatchListener {
public:
    virtual ~IFileWatchListener() = default;
    virtual void directoryChanged(const std::string& directory) = 0;
    virtual void fileChanged(const FileInfo& file) = 0;
};

// Listeners are called on the watch's thread with its lock held: they must not register or
// unregister listeners of the same watch from inside the call.
class TORMAKELIN_CORE_API FileWatch : public Thread {
public:
    FileWatch(const std::string& directory, bool recursive);
    ~FileWatch() override;

    int run() override;
    virtual bool registerListener(IFileWatchListener* listener);
    virtual bool unregisterListener(IFileWatchListener* listener);

    // False when the folder could not be watched (its thread then ends at once).
    bool isWatching() const { return m_notify >= 0; }

private:
    void takeSnapshot(std::map<std::string, FileInfo>& snapshot) const;
    void watchFolders();
    bool drainNotifications();
    void reportChanges();

    std::string m_directory;
    bool m_recursive;
    int m_notify = -1;
    int m_wake = -1;
    std::list<IFileWatchListener*> m_listeners;
    std::map<std::string, FileInfo> m_snapshot;
    CriticalSection m_lock;
};

}  // namespace tormakelin::core
