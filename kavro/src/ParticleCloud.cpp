#include <tormakelin/kavro/Particles.h>

#include <algorithm>
#include <bit>
#include <cstring>

namespace tormakelin::kavro {

namespace {

// The 31 bits of a key in three least-significant-first digits.
constexpr unsigned kSortPasses = 3;
constexpr unsigned kSortDigitBits = 11;
constexpr uint32_t kSortBuckets = 1u << kSortDigitBits;

uint32_t digitOf(uint32_t key, unsigned pass) { return key >> (pass * kSortDigitBits) & (kSortBuckets - 1); }

// Non-negative floats order as their bit patterns; flipped, the farthest gets the smallest key.
// The sign bit is dropped so that a NaN distance sorts as the farthest instead of wrapping.
uint32_t farthestFirstKey(float squaredDistance)
{
    return 0x7FFFFFFFu - (std::bit_cast<uint32_t>(squaredDistance) & 0x7FFFFFFFu);
}

}  // namespace

bool ParticleCloud::create(uint32_t capacity)
{
    m_records.assign(capacity, Particle{});
    m_alive.assign(capacity, 0);
    m_order.assign(capacity, 0);
    m_entries.assign(capacity, 0);
    m_entriesSwap.assign(capacity, 0);
    m_capacity = capacity;
    m_aliveCount = 0;
    m_aliveHead = nullptr;
    m_newest = kNoParticle;
    m_births = 0;
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
    p->newerBorn = kNoParticle;
    p->olderBorn = m_newest;
    if (m_newest != kNoParticle) {
        m_records[m_newest].newerBorn = p->index;
    }
    m_newest = p->index;
    p->birth = ++m_births;
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
    if (p->newerBorn != kNoParticle) {
        m_records[p->newerBorn].olderBorn = p->olderBorn;
    } else {
        m_newest = p->olderBorn;
    }
    if (p->olderBorn != kNoParticle) {
        m_records[p->olderBorn].newerBorn = p->newerBorn;
    }
    p->olderBorn = p->newerBorn = kNoParticle;
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
    const uint8_t* alive = m_alive.data();
    for (uint32_t i = 0; i < m_capacity; ++i) {
        // A pool is mostly free: skip eight free slots with one load.
        if (i % 8 == 0 && i + 8 <= m_capacity) {
            uint64_t word;
            std::memcpy(&word, alive + i, sizeof word);
            if (word == 0) {
                i += 7;
                continue;
            }
        }
        if (!alive[i]) {
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
    if (!sort) {
        for (uint32_t i = m_newest; i != kNoParticle; i = m_records[i].olderBorn) {
            m_order[n++] = i;
        }
        return;
    }
    // The digits are counted for all passes while the keys are made; a pass whose digit every key
    // shares moves nothing.
    uint32_t counts[kSortPasses][kSortBuckets] = {};
    uint64_t* entries = m_entries.data();
    for (Particle* p = m_aliveHead; p; p = nextInList(p)) {
        const D3DXVECTOR3 d = p->position - eye;
        const uint32_t key = farthestFirstKey(d.x * d.x + d.y * d.y + d.z * d.z);
        for (unsigned pass = 0; pass < kSortPasses; ++pass) {
            ++counts[pass][digitOf(key, pass)];
        }
        entries[n++] = uint64_t(key) << 32 | p->index;
    }
    for (unsigned pass = 0; pass < kSortPasses && n > 1; ++pass) {
        sortPass(counts[pass], pass, n);
    }
    // The list runs in record order or newest first, depending on the births since the walks
    // relinked it; ties go newest first either way, as unsorted, so they never swap.
    orderTiesNewestFirst(n);
    entries = m_entries.data();
    for (uint32_t i = 0; i < n; ++i) {
        m_order[i] = uint32_t(entries[i]);
    }
}

void ParticleCloud::orderTiesNewestFirst(uint32_t n)
{
    uint64_t* entries = m_entries.data();
    const Particle* records = m_records.data();
    const auto newer = [records](uint64_t a, uint64_t b) {
        return records[uint32_t(a)].birth > records[uint32_t(b)].birth;
    };
    for (uint32_t first = 0; first < n;) {
        const uint32_t key = uint32_t(entries[first] >> 32);
        uint32_t end = first + 1;
        while (end < n && uint32_t(entries[end] >> 32) == key) {
            ++end;
        }
        if (end - first > 1) {
            std::sort(entries + first, entries + end, newer);
        }
        first = end;
    }
}

void ParticleCloud::sortPass(uint32_t* offsets, unsigned pass, uint32_t n)
{
    const uint64_t* from = m_entries.data();
    if (offsets[digitOf(uint32_t(from[0] >> 32), pass)] == n) {
        return;
    }
    uint32_t sum = 0;
    for (uint32_t b = 0; b < kSortBuckets; ++b) {
        const uint32_t count = offsets[b];
        offsets[b] = sum;
        sum += count;
    }
    uint64_t* to = m_entriesSwap.data();
    for (uint32_t i = 0; i < n; ++i) {
        const uint64_t entry = from[i];
        to[offsets[digitOf(uint32_t(entry >> 32), pass)]++] = entry;
    }
    m_entries.swap(m_entriesSwap);
}

}  // namespace tormakelin::kavro
