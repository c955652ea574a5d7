#include "byte_ring.h"

#include <algorithm>
#include <cstring>

namespace vistrel::virt {

void ByteRing::setCapacity(std::size_t capacity)
{
    std::vector<std::uint8_t> kept = contents();
    if (kept.size() > capacity)
        kept.erase(kept.begin(), kept.end() - static_cast<std::ptrdiff_t>(capacity));
    kept.shrink_to_fit();
    m_storage = std::move(kept);
    m_oldest = 0;
    m_capacity = capacity;
}

void ByteRing::append(const std::uint8_t *bytes, std::size_t size)
{
    if (size >= m_capacity) {  // only the tail of this write survives
        m_storage.assign(bytes + (size - m_capacity), bytes + size);
        m_oldest = 0;
        return;
    }
    const std::size_t room = m_capacity - m_storage.size();
    const std::size_t grown = std::min(room, size);
    grow(bytes, grown);
    overwrite(bytes + grown, size - grown);
}

void ByteRing::clear()
{
    m_storage.clear();
    m_storage.shrink_to_fit();
    m_oldest = 0;
}

std::vector<std::uint8_t> ByteRing::contents() const
{
    std::vector<std::uint8_t> ordered;
    ordered.reserve(m_storage.size());
    const auto oldest = m_storage.begin() + static_cast<std::ptrdiff_t>(m_oldest);
    ordered.insert(ordered.end(), oldest, m_storage.end());
    ordered.insert(ordered.end(), m_storage.begin(), oldest);
    return ordered;
}

// Appends while there is room; reserves no more than the capacity, so the
// vector's doubling never overshoots it.
void ByteRing::grow(const std::uint8_t *bytes, std::size_t size)
{
    if (size == 0)
        return;
    const std::size_t needed = m_storage.size() + size;
    if (needed > m_storage.capacity())
        m_storage.reserve(std::min(m_capacity, std::max(needed, 2 * m_storage.capacity())));
    m_storage.insert(m_storage.end(), bytes, bytes + size);
}

// Once full: each new byte takes the place of the oldest.
void ByteRing::overwrite(const std::uint8_t *bytes, std::size_t size)
{
    while (size > 0) {
        const std::size_t run = std::min(size, m_storage.size() - m_oldest);
        std::memcpy(m_storage.data() + m_oldest, bytes, run);
        m_oldest = (m_oldest + run) % m_storage.size();
        bytes += run;
        size -= run;
    }
}

} // namespace vistrel::virt
