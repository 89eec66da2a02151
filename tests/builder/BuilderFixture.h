#pragma once
// Images and records for the builder tests: the built-in default with its extension's data
// blocks replaced, the record the creator holds after loading such an image, and hex helpers.

#include <QByteArray>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <functional>
#include <vector>

#include "edid/DefaultEdid.h"
#include "edid/Edid.h"
#include "edid/EdidInfo.h"

namespace varnok::test {

using Bytes = std::vector<uint8_t>;
// A change to the record, standing in for what collecting the creator pages would write.
using Setup = std::function<void(EdidInfo&)>;

inline Bytes FromHex(const char* hex) {
    const QByteArray raw = QByteArray::fromHex(QByteArray(hex).replace(' ', ""));
    return Bytes(raw.begin(), raw.end());
}

inline QByteArray Hex(const uint8_t* data, int count) {
    return QByteArray(reinterpret_cast<const char*>(data), count).toHex(' ').toUpper();
}

inline QByteArray Hex(const Bytes& bytes) {
    return Hex(bytes.data(), static_cast<int>(bytes.size()));
}

inline QByteArray HexRange(const EdidImage& image, int first, int count) {
    return Hex(image.data() + first, count);
}

// The data block collection of a built extension: bytes 132 up to the detailed timing offset.
inline QByteArray DataBlocks(const EdidImage& image) {
    return HexRange(image, 132, std::max(0, image[130] - 4));
}

// The default base block followed by an extension holding exactly the given data blocks, then
// zeros, with both checksums right.
inline EdidImage ImageWithDataBlocks(const Bytes& blocks, uint8_t byte131 = 0x71) {
    EdidImage image = DefaultEdidImage();
    std::fill(image.begin() + 128, image.end(), 0);
    image[128] = 0x02;
    image[129] = 0x03;
    image[130] = static_cast<uint8_t>(4 + blocks.size());
    image[131] = byte131;
    std::copy(blocks.begin(), blocks.end(), image.begin() + 132);
    SetBlockChecksum(image, 0);
    SetBlockChecksum(image, 1);
    return image;
}

// The record as the creator holds it right after loading the image.
inline EdidInfo Loaded(const EdidImage& image) {
    EdidInfo info;
    DecodeEdid(info, image.data());
    return info;
}

inline int BlockSum(const EdidImage& image, int block) {
    int sum = 0;
    for (int i = 0; i < kBlockSize; ++i) sum += image[block * kBlockSize + i];
    return sum % 256;
}

// Headers of the data blocks walked from 132 to the detailed timing offset; the walk must land
// exactly on that offset.
inline bool WalkDataBlocks(const EdidImage& image, Bytes& headers) {
    const int end = 128 + image[130];
    int p = 132;
    while (p < end) {
        headers.push_back(image[p]);
        p += (image[p] & 0x1F) + 1;
    }
    return p == end;
}

}  // namespace varnok::test

Q_DECLARE_METATYPE(varnok::test::Setup)
Q_DECLARE_METATYPE(varnok::EdidImage)
