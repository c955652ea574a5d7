#include "byte_ring.h"

#include <algorithm>
#include <cstring>

namespace vistrel::virt {

ByteRing::ByteRing(std::size_t capacity, std::size_t chunkSize)
    : m_chunkSize(std::max<std::size_t>(1, chunkSize)), m_capacity(capacity)
{
}

void ByteRing::setCapacity(std::size_t capacity)
{
    const std::vector<std::uint8_t> kept = contents();
    clear();
    m_capacity = capacity;
    append(kept.data(), kept.size());
}

void ByteRing::append(const std::uint8_t *bytes, std::size_t size)
{
    if (m_capacity == 0)
        return;
    if (size > m_capacity) {  // only the tail of this write survives
        bytes += size - m_capacity;
        size = m_capacity;
    }
    m_size = std::min(m_capacity, m_size + size);
    while (size > 0) {
        const std::size_t run = std::min(size, runFrom(m_next));
        std::memcpy(at(m_next), bytes, run);
        m_next = (m_next + run) % m_capacity;
        bytes += run;
        size -= run;
    }
}

void ByteRing::clear()
{
    m_chunks.clear();
    m_chunks.shrink_to_fit();
    m_stored = 0;
    m_size = 0;
    m_next = 0;
}

std::vector<std::uint8_t> ByteRing::contents() const
{
    std::vector<std::uint8_t> ordered;
    ordered.reserve(m_size);
    std::size_t position = m_capacity == 0 ? 0 : (m_next + m_capacity - m_size) % m_capacity;
    while (ordered.size() < m_size) {
        const std::size_t run = std::min(m_size - ordered.size(), runFrom(position));
        const std::uint8_t *from = at(position);
        ordered.insert(ordered.end(), from, from + run);
        position = (position + run) % m_capacity;
    }
    return ordered;
}

// The chunk is taken on first use, and only as large as the ring needs.
std::uint8_t *ByteRing::at(std::size_t position)
{
    const std::size_t index = position / m_chunkSize;
    if (index >= m_chunks.size())
        m_chunks.resize(index + 1);
    if (!m_chunks[index]) {
        const std::size_t length = std::min(m_chunkSize, m_capacity - index * m_chunkSize);
        m_chunks[index].reset(new std::uint8_t[length]);
        m_stored += length;
    }
    return m_chunks[index].get() + position % m_chunkSize;
}

const std::uint8_t *ByteRing::at(std::size_t position) const
{
    return m_chunks[position / m_chunkSize].get() + position % m_chunkSize;
}

std::size_t ByteRing::runFrom(std::size_t position) const
{
    return std::min(m_chunkSize - position % m_chunkSize, m_capacity - position);
}

} // namespace vistrel::virt
