#include "edid/EdidValidity.h"

#include <algorithm>

#include "edid/Edid.h"

namespace varnok {
namespace {

QString Hex(uint8_t b) {
    return QString::asprintf("0x%02x", unsigned{b});
}

void CheckSum(const EdidImage& image, int block, EdidStatus bit, EdidValidity& v) {
    const int at = block * kBlockSize + kBlockSize - 1;
    const uint8_t expected = BlockChecksum(image, block);
    if (image[at] == expected) return;
    v.failed |= bit;
    v.problems << QStringLiteral("block %1's checksum byte %2 is %3; it should be %4")
                      .arg(block)
                      .arg(at)
                      .arg(Hex(image[at]), Hex(expected));
}

}  // namespace

QString ValidationMessage(EdidStatus status) {
    if (status & HeaderBad) return QStringLiteral("Illegal Edid Header.");
    if (status & Checksum0Bad) return QStringLiteral("Illegal Edid CheckSum0.");
    if (status & Checksum1Bad) return QStringLiteral("Illegal Edid CheckSum1.");
    if (status & OverBanks) return QStringLiteral("Edid Over Banks.");
    return {};
}

EdidValidity DescribeEdidValidity(const EdidImage& image) {
    EdidValidity v;
    EdidInfo judged;
    judged.image = image;
    v.valid = ValidateEdidImage(judged);
    v.reason = judged.status & kReasonBits;

    if (!HasEdidHeader(image)) {
        v.failed |= HeaderBad;
        v.problems << QStringLiteral("the header (bytes 0 to 7) is not 00 ff ff ff ff ff ff 00");
    }
    CheckSum(image, 0, Checksum0Bad, v);
    if (image[126] > 1) {
        v.failed |= OverBanks;
        v.problems << QStringLiteral(
                          "the extension count (byte 126) is %1; the device holds one "
                          "extension at most")
                          .arg(image[126]);
    }
    if (image[126] != 0) CheckSum(image, 1, Checksum1Bad, v);
    if (std::all_of(image.begin(), image.end(), [&](uint8_t b) { return b == image[0]; })) {
        // An erased EEPROM or an empty file: naming every check would bury the one fact.
        v.problems = {
            QStringLiteral("all 256 bytes are %1, so there is no EDID").arg(Hex(image[0]))};
    }

    if (v.valid) {
        v.sentence = image[126] == 0
                         ? QStringLiteral("Valid EDID: header and checksum good, no extension.")
                         : QStringLiteral(
                               "Valid EDID: header and both checksums good, one "
                               "extension.");
        return v;
    }
    QString detail = v.problems.join(QStringLiteral("; "));
    if (!detail.isEmpty()) detail[0] = detail[0].toUpper();
    v.sentence = ValidationMessage(v.reason) + u' ' + detail + u'.';
    return v;
}

}  // namespace varnok
