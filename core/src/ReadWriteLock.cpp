#include <tormakelin/core/ReadWriteLock.h>

#include <sched.h>

namespace tormakelin::core {

void ReadWriteLock::lockWrite() {
    while (m_writer.exchange(1) != 0) {
        sched_yield();
    }
    while (m_readers.load() != 0) {
        sched_yield();
    }
}

void ReadWriteLock::lockRead() {
    for (;;) {
        if (m_writer.load() == 0) {
            m_readers.fetch_add(1);
            if (m_writer.load() == 0) {
                return;
            }
            m_readers.fetch_sub(1);
        }
        sched_yield();
    }
}

}  // namespace tormakelin::core
