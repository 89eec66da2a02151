#pragma once
// Read access to one CTA-861 data block of an image that never leaves the block: a byte that the
// block's stated length does not cover, or that would lie past the end of the 256-byte image,
// reads as 0.

#include <cstdint>
#include <vector>

#include "edid/EdidInfo.h"

namespace varnok {

class BlockReader {
public:
    // position is the index of the block's header byte (tag in bits 7..5, length in bits 4..0).
    BlockReader(const EdidImage& image, int position)
        : image_(image), position_(position), length_(image[position] & 0x1F) {}

    // The length the header states: the number of payload bytes after the header.
    int Length() const { return length_; }
    // Block byte k (byte 0 is the header); 0 outside the block or the image.
    uint8_t operator()(int k) const {
        if (k < 0 || k > length_ || position_ + k >= kEdidSize) return 0;
        return image_[position_ + k];
    }
    // Bytes 1..L that lie inside the image.
    std::vector<uint8_t> Payload() const {
        std::vector<uint8_t> payload;
        for (int k = 1; k <= length_ && position_ + k < kEdidSize; ++k)
            payload.push_back(image_[position_ + k]);
        return payload;
    }
    // True when the block holds at least three payload bytes and they are the given IEEE OUI
    // in the block's (little-endian) byte order. A shorter block belongs to no vendor.
    bool HasOui(uint8_t b1, uint8_t b2, uint8_t b3) const {
        return length_ >= 3 && (*this)(1) == b1 && (*this)(2) == b2 && (*this)(3) == b3;
    }

private:
    const EdidImage& image_;
    int position_;
    int length_;
};

}  // namespace varnok
