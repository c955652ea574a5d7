// The newest bytes of a stream, up to a fixed capacity: appending past it
// drops the oldest bytes. Storage is taken in chunks as the bytes kept grow
// and never past the capacity, so a bridge that streams video for hours holds
// flat memory; and no append ever moves what is already stored, so each one
// costs its own bytes and no more.
#ifndef VISTREL_DEVICE_VIRTUAL_BYTE_RING_H
#define VISTREL_DEVICE_VIRTUAL_BYTE_RING_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace vistrel::virt {

class ByteRing {
public:
    static constexpr std::size_t kDefaultChunk = std::size_t{1} << 20;

    explicit ByteRing(std::size_t capacity, std::size_t chunkSize = kDefaultChunk);

    // Capacity 0 keeps nothing. Shrinking keeps the newest bytes.
    void setCapacity(std::size_t capacity);
    std::size_t capacity() const { return m_capacity; }

    void append(const std::uint8_t *bytes, std::size_t size);
    void clear();

    std::size_t size() const { return m_size; }
    // Bytes of storage held: the chunks written so far, never more than the capacity.
    std::size_t storage() const { return m_stored; }
    // Oldest first.
    std::vector<std::uint8_t> contents() const;

private:
    std::uint8_t *at(std::size_t position);
    const std::uint8_t *at(std::size_t position) const;
    std::size_t runFrom(std::size_t position) const;  // bytes up to the end of its chunk or of the ring

    std::vector<std::unique_ptr<std::uint8_t[]>> m_chunks;  // null until first written
    std::size_t m_chunkSize;
    std::size_t m_capacity;
    std::size_t m_stored = 0;
    std::size_t m_size = 0;
    std::size_t m_next = 0;  // ring position of the next byte
};

} // namespace vistrel::virt

#endif
