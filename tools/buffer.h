// Buffer: bytes the command holds (keys, messages, pass phrases, results),
// overwritten with zeros when released.
#ifndef KXRSA_TOOL_BUFFER_H
#define KXRSA_TOOL_BUFFER_H

#include <openssl/crypto.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <utility>

#include "kxrsa.h"

class Buffer {
public:
    Buffer() = default;
    // size zero bytes.
    explicit Buffer(size_t size) : bytes_(new uint8_t[size > 0 ? size : 1]()), capacity_(size), size_(size) {}
    Buffer(const uint8_t* bytes, size_t size) : Buffer(size) {
        if (size > 0) std::memcpy(bytes_.get(), bytes, size);
    }
    ~Buffer() { Wipe(); }

    Buffer(Buffer&& other) noexcept
        : bytes_(std::move(other.bytes_)),
          capacity_(std::exchange(other.capacity_, 0)),
          size_(std::exchange(other.size_, 0)) {}
    Buffer& operator=(Buffer&& other) noexcept {
        if (this != &other) {
            Wipe();
            bytes_ = std::move(other.bytes_);
            capacity_ = std::exchange(other.capacity_, 0);
            size_ = std::exchange(other.size_, 0);
        }
        return *this;
    }
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;

    uint8_t* data() { return bytes_.get(); }
    const uint8_t* data() const { return bytes_.get(); }
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

    // Keeps the first `size` bytes; the rest stays allocated (and is wiped
    // with the whole buffer).
    void Truncate(size_t size) {
        if (size < size_) size_ = size;
    }

private:
    void Wipe() {
        if (bytes_) OPENSSL_cleanse(bytes_.get(), capacity_);
    }

    std::unique_ptr<uint8_t[]> bytes_;
    size_t capacity_ = 0;
    size_t size_ = 0;
};

// The library's view of a buffer (inputs only: the library does not write them).
inline OctetString Octets(const Buffer& buffer) {
    return OctetString{const_cast<uint8_t*>(buffer.data()), static_cast<uint32_t>(buffer.size())};
}

#endif
