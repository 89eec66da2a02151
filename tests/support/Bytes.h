#pragma once
// Byte helpers the tests share: an image as bytes and back, EDID blocks that pass validation,
// and patterns that catch a copy from the wrong offset.

#include <QByteArray>
#include <algorithm>
#include <cstdint>

#include "edid/EdidInfo.h"

namespace varnok {

inline QByteArray BytesOf(const EdidImage& image) {
    return EdidImageBytes(image);
}

// The first 256 bytes as an image; 0xFF past the end of shorter bytes, as a .bin file reads.
inline EdidImage ImageOf(const QByteArray& bytes) {
    return EdidImageFromBytes(bytes);
}

// 256 bytes whose zeros and 0xA1 inside catch a copy from the wrong offset or up to a zero byte.
inline QByteArray Pattern(int seed) {
    QByteArray b(kEdidSize, 0);
    for (int i = 0; i < kEdidSize; ++i) b[i] = char((i * 7 + seed * 13) & 0xFF);
    return b;
}

// A base block with the EDID header and a right checksum, announcing `extensions` extensions.
inline QByteArray ValidBase(uint8_t extensions) {
    QByteArray b(kBlockSize, 0);
    const uint8_t header[] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    for (int i = 0; i < 8; ++i) b[i] = char(header[i]);
    for (int i = 8; i < 126; ++i) b[i] = char(i);
    b[126] = char(extensions);
    uint8_t sum = 0;
    for (int i = 0; i < 127; ++i) sum = uint8_t(sum + uint8_t(b[i]));
    b[127] = char(uint8_t(0x100 - sum));
    return b;
}

// A CTA-861 extension with no data blocks and a right checksum.
inline QByteArray ValidExtension() {
    QByteArray b(kBlockSize, 0);
    b[0] = 0x02;
    b[1] = 0x03;
    b[2] = 4;
    uint8_t sum = 0;
    for (int i = 0; i < 127; ++i) sum = uint8_t(sum + uint8_t(b[i]));
    b[127] = char(uint8_t(0x100 - sum));
    return b;
}

}  // namespace varnok
