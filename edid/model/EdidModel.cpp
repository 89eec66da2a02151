#include "edid/model/EdidModel.h"

#include <algorithm>

#include "edid/model/EdidDescriptors.h"

namespace varnok {

namespace {

constexpr uint8_t kCtaTag = 0x02;
constexpr int kFirstDescriptor = 54;

uint8_t At(const QByteArray& bytes, int i) {
    return uint8_t(bytes[i]);
}

EdidBaseBlock ParseBase(const QByteArray& b) {
    EdidBaseBlock base;
    for (int i = 0; i < 8; ++i) base.header[i] = At(b, i);
    base.vendorId = uint16_t(At(b, 8) << 8 | At(b, 9));
    base.productCode = uint16_t(At(b, 10) | At(b, 11) << 8);
    base.serialNumber = uint32_t(At(b, 12)) | uint32_t(At(b, 13)) << 8 | uint32_t(At(b, 14)) << 16 |
                        uint32_t(At(b, 15)) << 24;
    base.week = At(b, 16);
    base.year = At(b, 17);
    base.version = At(b, 18);
    base.revision = At(b, 19);
    base.videoInput = At(b, 20);
    base.widthCm = At(b, 21);
    base.heightCm = At(b, 22);
    base.gamma = At(b, 23);
    base.features = At(b, 24);
    // The high 8 bits of each coordinate are bytes 27..34; the low 2 bits are packed into bytes
    // 25 (red, green) and 26 (blue, white), the first coordinate in bits 7..6.
    for (int k = 0; k < 8; ++k) {
        const int low = At(b, 25 + k / 4) >> (6 - 2 * (k % 4)) & 3;
        base.chromaticity[k] = uint16_t(At(b, 27 + k) << 2 | low);
    }
    base.establishedTimings = uint32_t(At(b, 35)) << 16 | uint32_t(At(b, 36)) << 8 | At(b, 37);
    for (int k = 0; k < 8; ++k) {
        base.standardTimings[k] = uint16_t(At(b, 38 + 2 * k) << 8 | At(b, 39 + 2 * k));
    }
    for (int k = 0; k < 4; ++k) {
        for (int i = 0; i < kDescriptorSize; ++i) {
            base.descriptors[k][i] = At(b, kFirstDescriptor + kDescriptorSize * k + i);
        }
    }
    base.extensionCount = At(b, 126);
    base.checksum = At(b, 127);
    return base;
}

void SerializeBase(const EdidBaseBlock& base, QByteArray& out) {
    const auto put = [&out](int value) { out += char(uint8_t(value)); };
    for (uint8_t h : base.header) put(h);
    put(base.vendorId >> 8);
    put(base.vendorId);
    put(base.productCode);
    put(base.productCode >> 8);
    for (int k = 0; k < 4; ++k) put(base.serialNumber >> (8 * k));
    for (uint8_t v : {base.week, base.year, base.version, base.revision, base.videoInput,
                      base.widthCm, base.heightCm, base.gamma, base.features}) {
        put(v);
    }
    for (int pair = 0; pair < 2; ++pair) {
        int low = 0;
        for (int k = 0; k < 4; ++k) low |= (base.chromaticity[4 * pair + k] & 3) << (6 - 2 * k);
        put(low);
    }
    for (uint16_t c : base.chromaticity) put(c >> 2);
    put(base.establishedTimings >> 16);
    put(base.establishedTimings >> 8);
    put(base.establishedTimings);
    for (uint16_t s : base.standardTimings) {
        put(s >> 8);
        put(s);
    }
    for (const Bytes18& d : base.descriptors) {
        out.append(reinterpret_cast<const char*>(d.data()), kDescriptorSize);
    }
    put(base.extensionCount);
    put(base.checksum);
}

// Takes a CTA-861 block apart; false with the reason when its data blocks do not end exactly
// where byte 2 says the timings begin (the block then stays raw, so no byte is lost).
bool ParseCta(const QByteArray& b, CtaExtension& cta, QString& reason) {
    cta.revision = At(b, 1);
    cta.dtdOffset = At(b, 2);
    cta.flags = At(b, 3);
    cta.checksum = At(b, kCtaChecksum);
    const int d = cta.dtdOffset;
    if (d != 0 && (d < kCtaFirstDataBlock || d > kCtaChecksum)) {
        reason =
            QStringLiteral("byte 2 puts the detailed timings at byte %1, outside 4..127").arg(d);
        return false;
    }
    // Byte 2 = 0: neither data blocks nor timings; bytes 4..126 are all padding.
    int p = kCtaFirstDataBlock;
    while (p < d) {
        const int length = At(b, p) & 0x1F;
        if (p + 1 + length > d) {
            reason = QStringLiteral(
                         "the data block at byte %1 states %2 bytes and runs past "
                         "byte %3, where the detailed timings begin")
                         .arg(p)
                         .arg(length)
                         .arg(d);
            return false;
        }
        CtaDataBlock block;
        block.tag = At(b, p) >> 5;
        int first = p + 1;
        if (block.tag == 7 && length > 0) {
            block.extendedTag = At(b, first);
            ++first;
        }
        block.body = b.mid(first, p + 1 + length - first);
        cta.dataBlocks.append(block);
        p += 1 + length;
    }
    if (d != 0) {
        while (p + kDescriptorSize <= kCtaChecksum && (At(b, p) != 0 || At(b, p + 1) != 0)) {
            Bytes18 t;
            for (int i = 0; i < kDescriptorSize; ++i) t[i] = At(b, p + i);
            cta.timings.append(t);
            p += kDescriptorSize;
        }
    }
    cta.padding = b.mid(p, kCtaChecksum - p);
    return true;
}

void SerializeCta(const CtaExtension& cta, QByteArray& out) {
    const qsizetype start = out.size();
    out += char(kCtaTag);
    out += char(cta.revision);
    out += char(cta.dtdOffset);
    out += char(cta.flags);
    for (const CtaDataBlock& block : cta.dataBlocks) {
        out += char(block.tag << 5 | block.payloadLength());
        if (block.extendedTag >= 0) out += char(block.extendedTag);
        out += block.body;
    }
    for (const Bytes18& t : cta.timings) {
        out.append(reinterpret_cast<const char*>(t.data()), kDescriptorSize);
    }
    // Padding as stored (zeros after an edit that changed the layout).
    out += cta.padding;
    out.resize(start + kCtaChecksum, '\0');
    out += char(cta.checksum);
}

}  // namespace

int CtaExtension::dataBlockBytes() const {
    int bytes = 0;
    for (const CtaDataBlock& block : dataBlocks) bytes += block.size();
    return bytes;
}

int CtaExtension::freeBytes() const {
    return kCtaChecksum - kCtaFirstDataBlock - dataBlockBytes() -
           kDescriptorSize * int(timings.size());
}

const CtaExtension* EdidModel::cta(int block) const {
    if (block < 1 || block >= blockCount()) return nullptr;
    const EdidExtension& e = extensions[block - 1];
    return e.isCta ? &e.cta : nullptr;
}

CtaExtension* EdidModel::cta(int block) {
    if (block < 1 || block >= blockCount()) return nullptr;
    // Non-const access, so that a copy of the model detaches before it is changed.
    EdidExtension& e = extensions[block - 1];
    return e.isCta ? &e.cta : nullptr;
}

EdidModelParse ParseEdidModel(const QByteArray& bytes) {
    EdidModelParse result;
    const qsizetype size = bytes.size();
    if (size == 0 || size % kEdidModelBlockSize != 0 ||
        size > kEdidModelBlockSize * kEdidModelMaxBlocks) {
        result.error = QStringLiteral(
                           "An EDID has 128 to 1024 bytes in whole blocks of 128; "
                           "this has %1.")
                           .arg(size);
        return result;
    }
    result.model.base = ParseBase(bytes.first(kEdidModelBlockSize));
    for (qsizetype at = kEdidModelBlockSize; at < size; at += kEdidModelBlockSize) {
        const QByteArray block = bytes.mid(at, kEdidModelBlockSize);
        EdidExtension e;
        if (At(block, 0) == kCtaTag) e.isCta = ParseCta(block, e.cta, e.rawReason);
        if (!e.isCta) {
            e.cta = {};
            std::copy(block.begin(), block.end(), e.raw.begin());
        }
        result.model.extensions.append(e);
    }
    result.ok = true;
    return result;
}

QByteArray SerializeEdidBlock(const EdidModel& model, int block) {
    QByteArray out;
    out.reserve(kEdidModelBlockSize);
    if (block == 0) {
        SerializeBase(model.base, out);
    } else if (block > 0 && block < model.blockCount()) {
        const EdidExtension& e = model.extensions[block - 1];
        if (e.isCta) {
            SerializeCta(e.cta, out);
        } else {
            out.append(reinterpret_cast<const char*>(e.raw.data()), kEdidModelBlockSize);
        }
    }
    return out;
}

QByteArray SerializeEdidModel(const EdidModel& model) {
    QByteArray out;
    out.reserve(kEdidModelBlockSize * model.blockCount());
    for (int block = 0; block < model.blockCount(); ++block) {
        out += SerializeEdidBlock(model, block);
    }
    return out;
}

int EdidFreeBytes(const EdidModel& model, int block) {
    if (block == 0) {
        return kDescriptorSize *
               int(std::count_if(
                   model.base.descriptors.begin(), model.base.descriptors.end(),
                   [](const Bytes18& d) { return DescriptorKindOf(d) == DescriptorKind::Dummy; }));
    }
    if (block < 0 || block >= model.blockCount()) return -1;
    const CtaExtension* cta = model.cta(block);
    return cta ? cta->freeBytes() : 0;
}

uint8_t EdidBlockChecksum(const QByteArray& block) {
    uint8_t sum = 0;
    for (int i = 0; i < kCtaChecksum && i < block.size(); ++i) sum = uint8_t(sum + At(block, i));
    return uint8_t(0x100 - sum);
}

}  // namespace varnok
