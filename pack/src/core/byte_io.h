// Little-endian byte access shared by the PE, resource, icon and ZIP code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace qxpack {

using Bytes = std::vector<uint8_t>;

// Thrown by ByteReader when a read leaves the buffer; each parser catches it at its own boundary and
// reports a message, so it never escapes a module.
struct OutOfBounds : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    explicit ByteReader(const Bytes& bytes) : ByteReader(bytes.data(), bytes.size()) {}

    size_t size() const { return size_; }
    void require(size_t offset, size_t length) const {
        if (offset > size_ || length > size_ - offset) throw OutOfBounds("read past the end of the data");
    }
    uint8_t u8(size_t offset) const {
        require(offset, 1);
        return data_[offset];
    }
    uint16_t u16(size_t offset) const {
        require(offset, 2);
        return static_cast<uint16_t>(data_[offset] | (data_[offset + 1] << 8));
    }
    uint32_t u32(size_t offset) const {
        require(offset, 4);
        return static_cast<uint32_t>(data_[offset]) | (static_cast<uint32_t>(data_[offset + 1]) << 8) |
               (static_cast<uint32_t>(data_[offset + 2]) << 16) |
               (static_cast<uint32_t>(data_[offset + 3]) << 24);
    }
    Bytes slice(size_t offset, size_t length) const {
        require(offset, length);
        return Bytes(data_ + offset, data_ + offset + length);
    }

private:
    const uint8_t* data_;
    size_t size_;
};

inline void putU16(Bytes& out, size_t offset, uint16_t value) {
    out[offset] = static_cast<uint8_t>(value);
    out[offset + 1] = static_cast<uint8_t>(value >> 8);
}

inline void putU32(Bytes& out, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i) out[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

inline void appendU16(Bytes& out, uint16_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

inline void appendU32(Bytes& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

inline void appendBytes(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

inline void padTo(Bytes& out, size_t alignment) {
    while (out.size() % alignment != 0) out.push_back(0);
}

inline uint32_t alignUp(uint32_t value, uint32_t alignment) {
    return alignment == 0 ? value : (value + alignment - 1) / alignment * alignment;
}

}  // namespace qxpack
