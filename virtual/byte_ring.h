// The newest bytes of a stream, up to a fixed capacity: appending past it
// drops the oldest bytes. Storage grows with the bytes kept, never past the
// capacity, so a bridge that streams video for hours holds flat memory.
#ifndef VISTREL_VIRTUAL_BYTE_RING_H
#define VISTREL_VIRTUAL_BYTE_RING_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vistrel::virt {

class ByteRing {
public:
    explicit ByteRing(std::size_t capacity) : m_capacity(capacity) {}

    // Capacity 0 keeps nothing. Shrinking keeps the newest bytes.
    void setCapacity(std::size_t capacity);
    std::size_t capacity() const { return m_capacity; }

    void append(const std::uint8_t *bytes, std::size_t size);
    void clear();

    std::size_t size() const { return m_storage.size(); }
    // Oldest first.
    std::vector<std::uint8_t> contents() const;

private:
    void grow(const std::uint8_t *bytes, std::size_t size);
    void overwrite(const std::uint8_t *bytes, std::size_t size);

    std::vector<std::uint8_t> m_storage;  // full once it holds m_capacity bytes
    std::size_t m_oldest = 0;             // where the oldest byte is once full
    std::size_t m_capacity;
};

} // namespace vistrel::virt

#endif
