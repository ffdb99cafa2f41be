#pragma once
// An indexed list that can also find an element equal to a given one, for pools of values that
// are referred to by index and added once each.

#include <cstdint>
#include <cstring>
#include <map>
#include <type_traits>
#include <vector>

namespace tormakelin::core {

// Elements are compared by their bytes, with -0.0 read as 0.0 in every 32-bit word, so that
// equal float vectors share an entry; T must be a plain value of 32-bit words.
template <class T>
class MapVector {
    static_assert(std::is_trivially_copyable_v<T> && sizeof(T) % 4 == 0);

public:
    // Appends; the new index.
    int add(const T& item)
    {
        const int index = int(m_items.size());
        m_items.push_back(item);
        m_lookup.emplace(key(item), index);
        return index;
    }
    // The index of an equal element when there is one, else appends.
    int addUnique(const T& item)
    {
        auto found = m_lookup.find(key(item));
        return found != m_lookup.end() ? found->second : add(item);
    }
    void set(const std::vector<T>& items)
    {
        clear();
        for (const T& item : items) {
            add(item);
        }
    }
    void clear()
    {
        m_items.clear();
        m_lookup.clear();
    }
    // Null outside 0..size-1.
    const T* get(int index) const
    {
        return index >= 0 && size_t(index) < m_items.size() ? &m_items[size_t(index)] : nullptr;
    }
    const std::vector<T>& items() const { return m_items; }
    size_t size() const { return m_items.size(); }

private:
    static std::vector<uint32_t> key(const T& item)
    {
        std::vector<uint32_t> words(sizeof(T) / 4);
        std::memcpy(words.data(), &item, sizeof(T));
        for (uint32_t& w : words) {
            w = w == 0x80000000u ? 0 : w;
        }
        return words;
    }

    std::vector<T> m_items;
    std::map<std::vector<uint32_t>, int> m_lookup;
};

}  // namespace tormakelin::core
