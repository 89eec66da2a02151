#pragma once
// EDID images for the analyzer tests, built from the built-in default's base block and a CTA-861
// extension holding the given data blocks (no detailed timings).

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <algorithm>
#include <initializer_list>

#include "edid/DefaultEdid.h"
#include "edid/Edid.h"

namespace varnok {

inline EdidImage ImageWithBlocks(std::initializer_list<QByteArray> blocks) {
    EdidImage img = DefaultEdidImage();
    std::fill(img.begin() + kBlockSize, img.end(), uint8_t(0));
    img[128] = 0x02;  // CTA-861 extension tag
    img[129] = 0x03;  // revision 3
    img[131] = 0x40;  // basic audio
    int p = 132;
    for (const QByteArray& b : blocks) {
        std::copy(b.begin(), b.end(), img.begin() + p);
        p += int(b.size());
    }
    img[130] = uint8_t(p - kBlockSize);  // detailed timings would start here
    SetBlockChecksum(img, 1);
    return img;
}

// Audio (all nine classes, up to 8 channels), video (VIC 16), HDMI (1.0.0.0) and HDMI Forum
// (600 MHz, SCDC, YCbCr 4:2:0 deep colour 10 and 16 bit) blocks.
inline EdidImage NineAudioFormatsImage() {
    const QByteArray audio = QByteArray::fromHex(
        "3B"        // tag 1, 27 bytes: nine short audio descriptors
        "090707"    // L-PCM, 2 channels
        "0F0707"    // L-PCM, 8 channels
        "150750"    // AC-3
        "510700"    // E-AC-3
        "610700"    // MAT (Dolby TrueHD)
        "390750"    // DTS
        "590700"    // DTS-HD
        "310750"    // AAC
        "490700");  // One Bit Audio
    const QByteArray video = QByteArray::fromHex("4110");
    const QByteArray hdmi = QByteArray::fromHex("65030C001000");
    const QByteArray forum = QByteArray::fromHex("67D85DC401788005");
    return ImageWithBlocks({audio, video, hdmi, forum});
}

// The default's base block alone: extension count 0 and its checksum set again.
inline EdidImage BaseOnlyImage() {
    EdidImage img = DefaultEdidImage();
    img[126] = 0;
    SetBlockChecksum(img, 0);
    return img;
}

inline QString WriteTempFile(const QString& dir, const QString& name, const QByteArray& bytes) {
    const QString path = QDir(dir).filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return {};
    f.write(bytes);
    return path;
}

inline QByteArray Bytes(const EdidImage& img, int size = kEdidSize) {
    return QByteArray(reinterpret_cast<const char*>(img.data()), size);
}

// The rows of the built-in default image, top to bottom.
inline QStringList DefaultImageRows() {
    return {"Good", "Good", "NEW", "BrandNewEdid", "1080p@60Hz", "8bit", "No",
            "No",   "No",   "No",  "No",           "2PCM,",      "2CH",  "1000"};
}

inline QStringList FailureRows() {
    QStringList rows(14, QStringLiteral("-"));
    rows[0] = QStringLiteral("Illegal");
    return rows;
}

}  // namespace varnok
