#pragma once
// A spinning read-write lock: many readers or one writer; a waiting writer blocks new readers.

#include <tormakelin/core/Export.h>

#include <atomic>
#include <cstdint>

namespace tormakelin::core {

class TORMAKELIN_CORE_API ReadWriteLock {
public:
    void lockWrite();
    void unlockWrite() { m_writer.store(0); }
    void lockRead();
    void unlockRead() { m_readers.fetch_sub(1); }

private:
    std::atomic<int32_t> m_readers{0};
    std::atomic<int32_t> m_writer{0};
};

class WriteLockScope {
public:
    explicit WriteLockScope(ReadWriteLock& lock) : m_lock(lock) { m_lock.lockWrite(); }
    ~WriteLockScope() { m_lock.unlockWrite(); }
    WriteLockScope(const WriteLockScope&) = delete;
    WriteLockScope& operator=(const WriteLockScope&) = delete;

private:
    ReadWriteLock& m_lock;
};

class ReadLockScope {
public:
    explicit ReadLockScope(ReadWriteLock& lock) : m_lock(lock) { m_lock.lockRead(); }
    ~ReadLockScope() { m_lock.unlockRead(); }
    ReadLockScope(const ReadLockScope&) = delete;
    ReadLockScope& operator=(const ReadLockScope&) = delete;

private:
    ReadWriteLock& m_lock;
};

}  // namespace tormakelin::core
