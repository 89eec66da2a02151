// Validity of an EDID image (VESA E-EDID header and block checksums, one extension at most) and
// the walk over the CTA-861 data block collection of the extension.

#include <algorithm>

#include "edid/Edid.h"

namespace varnok {

namespace {

constexpr std::array<uint8_t, 8> kEdidHeader = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
constexpr int kExtensionCount = 126;
constexpr int kDtdOffset = 130;  // extension byte 2: where its detailed timings begin

uint8_t BlockSum(const EdidImage& image, int first, int count) {
    uint8_t sum = 0;
    for (int i = first; i < first + count; ++i) {
        sum = static_cast<uint8_t>(sum + image[i]);
    }
    return sum;
}

}  // namespace

int EdidByteCount(const EdidImage& image) {
    const bool unused = image[126] == 0 && std::all_of(image.begin() + kBlockSize, image.end(),
                                                       [](uint8_t b) { return b == 0xFF; });
    return unused ? kBlockSize : kEdidSize;
}

bool ValidateEdidImage(EdidInfo& info) {
    info.status &= static_cast<EdidStatus>(~kReasonBits);
    const EdidImage& image = info.image;
    // The order matters: a header fault hides a checksum fault, and block 1 is judged only when
    // block 0 is sound and announces exactly one extension.
    if (!HasEdidHeader(image)) {
        info.status |= HeaderBad;
        return false;
    }
    if (BlockSum(image, 0, kBlockSize) != 0) {
        info.status |= Checksum0Bad;
        return false;
    }
    if (image[kExtensionCount] > 1) {
        info.status |= OverBanks;
        return false;
    }
    if (image[kExtensionCount] == 1 && BlockSum(image, kBlockSize, kBlockSize) != 0) {
        info.status |= Checksum1Bad;
        return false;
    }
    return true;
}

bool FindDataBlock(const EdidImage& image, uint8_t tag, int& position) {
    if (image[kExtensionCount] == 0 || position < 0) {
        return false;
    }
    // The data block collection ends where the extension's detailed timings begin.
    const int end = std::min(kBlockSize + image[kDtdOffset], kEdidSize);
    int p = position;
    while (p < end) {
        if ((image[p] & 0xE0) == tag) {
            position = p;
            return true;
        }
        // A length that runs past the end simply ends the walk.
        p += (image[p] & 0x1F) + 1;
    }
    return false;
}

bool HasEdidHeader(const EdidImage& image) {
    return std::equal(kEdidHeader.begin(), kEdidHeader.end(), image.begin());
}

uint8_t BlockChecksum(const EdidImage& image, int block) {
    const uint8_t sum = BlockSum(image, block * kBlockSize, kBlockSize - 1);
    return static_cast<uint8_t>(0x100 - sum);
}

void SetBlockChecksum(EdidImage& image, int block) {
    if (block != 0 && block != 1) {
        return;
    }
    image[block * kBlockSize + kBlockSize - 1] = BlockChecksum(image, block);
}

}  // namespace varnok
