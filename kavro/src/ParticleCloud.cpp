#include <tormakelin/kavro/Particles.h>

namespace tormakelin::kavro {

bool ParticleCloud::create(uint32_t capacity)
{
    m_records.assign(capacity, Particle{});
    m_alive.assign(capacity, 0);
    m_order.assign(capacity, 0);
    m_sorted.assign(capacity, 0);
    m_keys.assign(capacity, 0.0f);
    m_capacity = capacity;
    m_aliveCount = 0;
    m_aliveHead = nullptr;
    m_inRecordOrder = true;
    m_freeHead = capacity ? &m_records[0] : nullptr;
    for (uint32_t i = 0; i < capacity; ++i) {
        Particle& p = m_records[i];
        p.index = i;
        p.previous = i ? &m_records[i - 1] : nullptr;
        p.next = i + 1 < capacity ? &m_records[i + 1] : nullptr;
    }
    return true;
}

Particle* ParticleCloud::newParticle()
{
    Particle* p = m_freeHead;
    if (p == nullptr) {
        return nullptr;
    }
    m_freeHead = p->next;
    if (m_freeHead) {
        m_freeHead->previous = nullptr;
    }
    p->previous = nullptr;
    p->next = m_aliveHead;
    if (m_aliveHead) {
        m_aliveHead->previous = p;
    }
    m_aliveHead = p;
    m_alive[p->index] = 1;
    m_inRecordOrder = false;
    ++m_aliveCount;
    return p;
}

void ParticleCloud::freeParticle(Particle* p)
{
    if (p->previous) {
        p->previous->next = p->next;
    } else {
        m_aliveHead = p->next;
    }
    if (p->next) {
        p->next->previous = p->previous;
    }
    p->previous = nullptr;
    p->next = m_freeHead;
    if (m_freeHead) {
        m_freeHead->previous = p;
    }
    m_freeHead = p;
    m_alive[p->index] = 0;
    --m_aliveCount;
}

void ParticleCloud::relinkInRecordOrder()
{
    if (m_inRecordOrder) {
        return;
    }
    m_inRecordOrder = true;
    Particle* last = nullptr;
    m_aliveHead = nullptr;
    for (uint32_t i = 0; i < m_capacity; ++i) {
        if (!m_alive[i]) {
            continue;
        }
        Particle* p = &m_records[i];
        p->previous = last;
        if (last) {
            last->next = p;
        } else {
            m_aliveHead = p;
        }
        last = p;
    }
    if (last) {
        last->next = nullptr;
    }
}

void ParticleCloud::prepare(bool sort, const D3DXVECTOR3& eye)
{
    uint32_t n = 0;
    for (Particle* p = m_aliveHead; p; p = p->next) {
        if (sort) {
            const D3DXVECTOR3 d = p->position - eye;
            m_keys[n] = -(d.x * d.x + d.y * d.y + d.z * d.z);
        }
        m_order[n++] = p->index;
    }
    if (!sort || n < 2) {
        return;
    }
    const unsigned* ranks = m_sort.sort(m_keys.data(), n).getRanks();
    for (uint32_t i = 0; i < n; ++i) {
        m_sorted[i] = m_order[ranks[i]];
    }
    m_order.swap(m_sorted);
}

}  // namespace tormakelin::kavro
