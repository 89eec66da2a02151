#include "edid/check/EdidCheck.h"

#include <QStringList>
#include <algorithm>

namespace varnok {
namespace {

// VESA E-EDID base block.
constexpr uint8_t kHeader[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
constexpr int kVersion = 18;
constexpr int kRevision = 19;
constexpr int kFeatures = 24;   // bit 1: the first detailed timing is the preferred one
constexpr int kPreferred = 54;  // the first 18-byte descriptor
constexpr int kExtensionCount = 126;
// CTA-861 extension: tag 0x02, revision, then the offset where its detailed timings begin; the
// data block collection runs from byte 4 up to that offset (revision 3 and later).
constexpr uint8_t kCtaTag = 0x02;
constexpr int kCtaDataBlocks = 4;
constexpr int kLastDataByte = kEdidBlockBytes - 1;  // byte 127 is the checksum

// What a source does without a usable base block.
const char kFallBack[] = "fall back to a safe mode such as 640 × 480";

uint8_t At(const QByteArray& edid, int index) {
    return static_cast<uint8_t>(edid.at(index));
}

EdidFinding Error(int block, int offset, const char* code, const QString& text) {
    return {EdidFindingLevel::Error, block, offset, QString::fromLatin1(code), text};
}

QString HexBytes(const QByteArray& edid, int first, int count) {
    QStringList bytes;
    for (int i = first; i < first + count; ++i) bytes << QString::asprintf("%02X", At(edid, i));
    return bytes.join(u' ');
}

QString Blocks(int first, int last) {
    return first == last ? QStringLiteral("block %1").arg(first)
                         : QStringLiteral("blocks %1 to %2").arg(first).arg(last);
}

void CheckHeaderAndVersion(const QByteArray& edid, EdidFindings& out) {
    if (!std::equal(std::begin(kHeader), std::end(kHeader), edid.begin(),
                    [](uint8_t h, char b) { return h == static_cast<uint8_t>(b); })) {
        out << Error(0, 0, "header",
                     QStringLiteral("block 0 header (bytes 0 to 7) is %1, should be "
                                    "00 FF FF FF FF FF FF 00: sources do not take the bytes for "
                                    "an EDID and %2, or show nothing")
                         .arg(HexBytes(edid, 0, 8), QString::fromUtf8(kFallBack)));
    }
    // Linux's DRM, among others, rejects a base block whose version is not 1.
    if (At(edid, kVersion) != 1) {
        out << Error(0, kVersion, "version",
                     QStringLiteral("block 0 EDID version (byte 18) is %1, should be 1: sources "
                                    "reject the whole EDID and %2")
                         .arg(At(edid, kVersion))
                         .arg(QString::fromUtf8(kFallBack)));
    }
}

// The first descriptor is the preferred timing from EDID 1.3 on, and before when byte 24 says so.
void CheckPreferredTiming(const QByteArray& edid, EdidFindings& out) {
    if (At(edid, kRevision) < 3 && !(At(edid, kFeatures) & 0x02)) return;
    const int p = kPreferred;
    const unsigned clock = At(edid, p) | At(edid, p + 1) << 8;
    const unsigned width = At(edid, p + 2) | (At(edid, p + 4) & 0xF0) << 4;
    const unsigned height = At(edid, p + 5) | (At(edid, p + 7) & 0xF0) << 4;
    if (clock == 0) {
        out << Error(0, p, "preferred-timing-clock",
                     QStringLiteral("block 0 preferred timing (bytes 54 to 71) has a pixel clock "
                                    "of 0: sources find no preferred timing and guess a "
                                    "resolution or %1")
                         .arg(QString::fromUtf8(kFallBack)));
    } else if (width == 0 || height == 0) {
        out << Error(0, p, "preferred-timing-size",
                     QStringLiteral("block 0 preferred timing (bytes 54 to 71) has an active "
                                    "size of %1 × %2: sources that set it show no picture, "
                                    "others guess a resolution")
                         .arg(width)
                         .arg(height));
    }
}

void CheckExtensionCount(const QByteArray& edid, EdidFindings& out) {
    const int blocks = static_cast<int>(edid.size() / kEdidBlockBytes);
    const int count = At(edid, kExtensionCount);
    if (count == blocks - 1) return;
    const QString found = QStringLiteral(
                              "block 0 extension count (byte 126) is %1, should be %2 "
                              "for %3 bytes: ")
                              .arg(count)
                              .arg(blocks - 1)
                              .arg(edid.size());
    const QString meaning =
        count > blocks - 1
            ? QStringLiteral("sources look for %1 that %2 not there and may reject the whole EDID")
                  .arg(Blocks(blocks, count), count == blocks ? "is" : "are")
            : QStringLiteral("sources never read %1, so what %2 is lost")
                  .arg(Blocks(count + 1, blocks - 1),
                       count + 1 == blocks - 1 ? "it holds" : "they hold");
    out << Error(0, kExtensionCount, "extension-count", found + meaning);
}

void CheckChecksum(const QByteArray& edid, int block, EdidFindings& out) {
    const int at = block * kEdidBlockBytes + kLastDataByte;
    const uint8_t expected = EdidBlockChecksum(edid, block);
    if (At(edid, at) == expected) return;
    QString meaning;
    if (block == 0) {
        meaning = QStringLiteral("many sources reject the whole EDID and ") +
                  QString::fromUtf8(kFallBack);
    } else if (At(edid, block * kEdidBlockBytes) == kCtaTag) {
        meaning = QStringLiteral("many sources ignore the whole extension, so no audio and no 4K");
    } else {
        meaning = QStringLiteral("many sources ignore the whole extension and what it describes");
    }
    out << Error(block, at, "checksum",
                 QStringLiteral("block %1 checksum is %2, should be %3: %4")
                     .arg(block)
                     .arg(EdidHexByte(At(edid, at)), EdidHexByte(expected), meaning));
}

// A DTD offset outside the block, or inside its header, leaves sources no data blocks and no
// detailed timings to read; a data block longer than the room before the detailed timings is
// dropped by sources that check, and read into the timings by those that do not.
void CheckCtaBlock(const QByteArray& edid, int block, EdidFindings& out) {
    const int base = block * kEdidBlockBytes;
    if (At(edid, base) != kCtaTag) return;
    const int dtdOffset = At(edid, base + 2);
    if (dtdOffset > kLastDataByte || (dtdOffset > 0 && dtdOffset < kCtaDataBlocks)) {
        const QString where = dtdOffset > kLastDataByte
                                  ? QStringLiteral("past the end of the block")
                                  : QStringLiteral("inside the block's header");
        out << Error(block, base + 2, "cta-dtd-offset",
                     QStringLiteral("block %1 DTD offset (byte %2) is %3, %4, should be 0 or 4 "
                                    "to 127: sources find no data blocks and no detailed timings "
                                    "in the extension, so no audio and no 4K")
                         .arg(block)
                         .arg(base + 2)
                         .arg(dtdOffset)
                         .arg(where));
        return;
    }
    if (At(edid, base + 1) < 3 || dtdOffset == 0) return;  // no data block collection
    for (int p = kCtaDataBlocks; p < dtdOffset;) {
        const int length = At(edid, base + p) & 0x1F;
        if (p + 1 + length > dtdOffset) {
            out << Error(
                block, base + p, "cta-data-block-overrun",
                QStringLiteral("block %1 data block at byte %2 (tag %3) has a length of "
                               "%4, which runs past byte %5, the last before the detailed "
                               "timings (DTD offset %6 in byte %7): sources drop it and the "
                               "blocks after it, or read detailed timings as data, so "
                               "audio, HDMI and 4K modes may be lost")
                    .arg(block)
                    .arg(base + p)
                    .arg(At(edid, base + p) >> 5)
                    .arg(length)
                    .arg(base + dtdOffset - 1)
                    .arg(dtdOffset)
                    .arg(base + 2));
            return;
        }
        p += 1 + length;
    }
}

}  // namespace

QString EdidSizeFault(qsizetype size) {
    if (size == 0) return QStringLiteral("the EDID is empty");
    if (size % kEdidBlockBytes != 0)
        return QStringLiteral("the EDID is %1 bytes, not a multiple of 128").arg(size);
    if (size > qsizetype{kMaxCheckedEdidBlocks} * kEdidBlockBytes)
        return QStringLiteral("the EDID is %1 bytes, more than %2 blocks of 128")
            .arg(size)
            .arg(kMaxCheckedEdidBlocks);
    return {};
}

uint8_t EdidBlockChecksum(const QByteArray& edid, int block) {
    uint8_t sum = 0;
    for (int i = block * kEdidBlockBytes; i < block * kEdidBlockBytes + kLastDataByte; ++i)
        sum = static_cast<uint8_t>(sum + At(edid, i));
    return static_cast<uint8_t>(0x100 - sum);
}

EdidFindings CheckEdid(const QByteArray& edid) {
    const QString size = EdidSizeFault(edid.size());
    if (!size.isEmpty())
        return {Error(-1, -1, "size", size + QStringLiteral(": it cannot be an EDID as it is"))};
    if (std::all_of(edid.begin(), edid.end(), [&](char b) { return b == edid.front(); })) {
        // An erased EEPROM or an empty file: naming every check would bury the one fact.
        return {Error(-1, -1, "blank",
                      QStringLiteral("all %1 bytes are %2, so there is no EDID: sources %3, or "
                                     "show nothing")
                          .arg(edid.size())
                          .arg(EdidHexByte(At(edid, 0)), QString::fromUtf8(kFallBack)))};
    }
    EdidFindings out;
    CheckHeaderAndVersion(edid, out);
    CheckPreferredTiming(edid, out);
    CheckExtensionCount(edid, out);
    CheckChecksum(edid, 0, out);
    for (int block = 1; block < edid.size() / kEdidBlockBytes; ++block) {
        CheckCtaBlock(edid, block, out);
        CheckChecksum(edid, block, out);
    }
    return out;
}

}  // namespace varnok
