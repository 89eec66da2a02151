#include "creator/builder/BaseBlockWriter.h"

#include "edid/Edid.h"

namespace varnok {

namespace {

constexpr int kNameLength = 13;

void WriteMonitorName(EdidImage& image, const std::array<char, 14>& name) {
    int length = 0;
    while (length < kNameLength && name[length] != 0) ++length;
    // A display product name descriptor has its tag 0xFC at p, preceded by the three zero bytes
    // of a display descriptor and followed by a reserved zero; its 13 text bytes start at p + 2.
    for (int p = 3; p <= 113; ++p) {
        if (image[p - 3] != 0 || image[p - 2] != 0 || image[p - 1] != 0 || image[p] != 0xFC ||
            image[p + 1] != 0)
            continue;
        for (int k = 0; k < kNameLength; ++k) {
            uint8_t byte = 0x20;
            if (k < length)
                byte = static_cast<uint8_t>(name[k]);
            else if (k == length)
                byte = 0x0A;
            image[p + 2 + k] = byte;
        }
    }
}

}  // namespace

std::array<uint8_t, 2> PackManufacturer(const std::array<char, 4>& letters) {
    const int c1 = static_cast<uint8_t>(letters[0]) - 64;
    const int c2 = static_cast<uint8_t>(letters[1]) - 64;
    const int c3 = static_cast<uint8_t>(letters[2]) - 64;
    // c2 >> 3 shifts a signed value: a missing second letter (code 0) borrows from the first.
    return {static_cast<uint8_t>(c1 * 4 + (c2 >> 3)), static_cast<uint8_t>(c2 * 32 + c3)};
}

void CompactStandardTimings(std::array<uint16_t, 8>& codes) {
    for (int i = 1; i < 8; ++i) {
        if (codes[i - 1] == kUnusedStandardTiming) {
            codes[i - 1] = codes[i];
            codes[i] = kUnusedStandardTiming;
        }
    }
}

void WriteBaseBlock(EdidInfo& info) {
    EdidImage& image = info.image;
    const auto id = PackManufacturer(info.manufacturer);
    image[8] = id[0];
    image[9] = id[1];
    image[10] = static_cast<uint8_t>(info.productCode);
    image[11] = static_cast<uint8_t>(info.productCode >> 8);
    for (int k = 0; k < 4; ++k) image[12 + k] = static_cast<uint8_t>(info.serialNumber >> (8 * k));
    image[16] = info.manufactureWeek;
    image[17] = info.manufactureYear;

    WriteMonitorName(image, info.monitorName);

    image[35] = static_cast<uint8_t>(info.establishedTimings >> 16);
    image[36] = static_cast<uint8_t>(info.establishedTimings >> 8);
    image[37] = static_cast<uint8_t>(info.establishedTimings);

    CompactStandardTimings(info.standardTimings);
    for (int i = 0; i < 8; ++i) {
        image[38 + 2 * i] = static_cast<uint8_t>(info.standardTimings[i] >> 8);
        image[39 + 2 * i] = static_cast<uint8_t>(info.standardTimings[i]);
    }

    image[126] = 1;
    SetBlockChecksum(image, 0);
}

}  // namespace varnok
