#include <tormakelin/kavro/Particles.h>

namespace tormakelin::kavro {

uint32_t colourByte(float channel)
{
    if (channel >= 1.0f) {
        return 255;
    }
    if (!(channel > 0.0f)) {
        return 0;
    }
    return uint32_t(channel * 255.0f + 0.5f);
}

uint32_t packColour(const D3DXVECTOR4& colour)
{
    return colourByte(colour.w) << 24 | colourByte(colour.x) << 16 | colourByte(colour.y) << 8 | colourByte(colour.z);
}

bool ParticleCloud::create(uint32_t capacity)
{
    m_records.assign(capacity, Particle{});
    m_order.assign(capacity, 0);
    m_sorted.assign(capacity, 0);
    m_keys.assign(capacity, 0.0f);
    m_capacity = capacity;
    m_aliveCount = 0;
    m_aliveHead = nullptr;
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
    --m_aliveCount;
}

void ParticleCloud::prepare(bool sort, const D3DXVECTOR3& eye)
{
    uint32_t n = 0;
    for (Particle* p = m_aliveHead; p; p = p->next) {
        m_order[n++] = p->index;
    }
    if (!sort || n < 2) {
        return;
    }
    for (uint32_t i = 0; i < n; ++i) {
        const D3DXVECTOR3 d = m_records[m_order[i]].position - eye;
        m_keys[i] = -(d.x * d.x + d.y * d.y + d.z * d.z);
    }
    const unsigned* ranks = m_sort.sort(m_keys.data(), n).getRanks();
    for (uint32_t i = 0; i < n; ++i) {
        m_sorted[i] = m_order[ranks[i]];
    }
    m_order.swap(m_sorted);
}

}  // namespace tormakelin::kavro
