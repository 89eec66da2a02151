#pragma once
// What every fuzz entry shares: a reader over the fuzzer's bytes that never runs dry (an exhausted
// input reads as a fallback value), and the check that stops the run when an invariant breaks.

#include <QByteArray>
#include <cstddef>
#include <cstdint>

namespace varnok::fuzz {

// A broken invariant: prints what broke and aborts, so libFuzzer keeps the input as a finding
// and a replay test fails.
[[noreturn]] void FuzzFail(const char* what);

inline void FuzzRequire(bool ok, const char* what) {
    if (!ok) FuzzFail(what);
}

class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool empty() const { return pos_ >= size_; }
    size_t remaining() const { return size_ - pos_; }

    // The next byte, or `fallback` once the input is used up.
    uint8_t byte(uint8_t fallback = 0) { return pos_ < size_ ? data_[pos_++] : fallback; }
    uint16_t word() {
        const uint16_t hi = byte();
        return uint16_t(hi << 8 | byte());
    }
    uint32_t u32() {
        const uint32_t hi = word();
        return hi << 16 | word();
    }
    // Up to n bytes (fewer when the input ends).
    QByteArray bytes(size_t n) {
        const size_t take = n < remaining() ? n : remaining();
        QByteArray out(reinterpret_cast<const char*>(data_ + pos_), qsizetype(take));
        pos_ += take;
        return out;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

}  // namespace varnok::fuzz
