#pragma once
// Small builders for EDID images in tests: the default image's base block with a CTA-861
// extension made of the given data blocks, checksums set.

#include <QList>
#include <QString>
#include <QtGlobal>
#include <initializer_list>

#include "edid/DefaultEdid.h"
#include "edid/Edid.h"

namespace varnok::test {

// QList rather than std::vector: GCC 12 at -O3 warns falsely on small vector inserts.
using Bytes = QList<uint8_t>;

// Base block only: extension count 0, bytes 128..255 as a 128-byte file leaves them (0xFF).
inline EdidImage BaseOnlyImage() {
    EdidImage image = DefaultEdidImage();
    image[126] = 0;
    SetBlockChecksum(image, 0);
    std::fill(image.begin() + 128, image.end(), 0xFF);
    return image;
}

// The default base block and an extension holding blocks (each header byte included), detailed
// timings starting right after them.
inline EdidImage ImageWithBlocks(std::initializer_list<Bytes> blocks, uint8_t ceaFlags = 0x71) {
    EdidImage image = DefaultEdidImage();
    std::fill(image.begin() + 128, image.end(), 0);
    image[128] = 0x02;
    image[129] = 0x03;
    image[131] = ceaFlags;
    int w = 132;
    for (const Bytes& block : blocks) {
        for (uint8_t b : block) {
            Q_ASSERT(w < 255);
            image[w++] = b;
        }
    }
    image[130] = static_cast<uint8_t>(w - 128);
    SetBlockChecksum(image, 0);
    SetBlockChecksum(image, 1);
    return image;
}

// A data block: header byte (tag | payload length) then the payload.
inline Bytes Block(uint8_t tag, Bytes payload) {
    Bytes block{static_cast<uint8_t>(tag | payload.size())};
    block += payload;
    return block;
}

inline EdidInfo Decoded(const EdidImage& image) {
    EdidInfo info;
    DecodeEdid(info, image.data());
    return info;
}

template <std::size_t N>
QString Text(const std::array<char, N>& field) {
    return QString::fromLatin1(field.data());
}

}  // namespace varnok::test
