#include "tools/emu/DefaultEdid.h"

#include <cstdint>
#include <initializer_list>

namespace varnok {

namespace {

void put(QByteArray& image, int offset, std::initializer_list<uint8_t> bytes) {
    for (uint8_t b : bytes) image[offset++] = static_cast<char>(b);
}

// A display descriptor (tag 0xFC name, 0xFF serial) with up to 13 characters, ended by 0x0A and
// padded with blanks as VESA E-EDID asks.
void putTextDescriptor(QByteArray& image, int offset, uint8_t tag, const QByteArray& text) {
    put(image, offset, {0x00, 0x00, 0x00, tag, 0x00});
    for (int i = 0; i < 13; ++i) {
        char c = ' ';
        if (i < text.size())
            c = text[i];
        else if (i == text.size())
            c = '\n';
        image[offset + 5 + i] = c;
    }
}

}  // namespace

void fixEdidChecksums(QByteArray& image) {
    for (int block = 0; block + 128 <= image.size(); block += 128) {
        uint8_t sum = 0;
        for (int i = block; i < block + 127; ++i) sum += static_cast<uint8_t>(image[i]);
        image[block + 127] = static_cast<char>(static_cast<uint8_t>(0x100 - sum));
    }
}

QByteArray defaultEmulatorEdid(EmuStore store) {
    static const char* const kNames[kEmuStoreCount] = {"VK INTERNAL", "VK EXTERNAL", "VK USER",
                                                       "VK STORED"};
    const auto index = static_cast<uint8_t>(store);
    QByteArray e(kEmuEdidSize, '\0');

    // Base block: header; vendor "QEV" packed as three 5-bit letters; product code per store;
    // serial number 0 (a serial-number descriptor follows); week 1 of 2024; EDID 1.3.
    put(e, 0, {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00});
    put(e, 8, {0x44, 0xB6, static_cast<uint8_t>(0x01 + index), 0x00});
    put(e, 12, {0x00, 0x00, 0x00, 0x00, 0x01, 34, 0x01, 0x03});
    // Digital input, 60 x 34 cm, gamma 2.2, RGB 4:4:4 + YCbCr, sRGB, preferred timing is native.
    put(e, 20, {0x80, 0x3C, 0x22, 0x78, 0x0E});
    // sRGB-like chromaticity.
    put(e, 25, {0xEE, 0x91, 0xA3, 0x54, 0x4C, 0x99, 0x26, 0x0F, 0x50, 0x54});
    // Established timings: 640x480@60, 800x600@60, 1024x768@60.
    put(e, 35, {0x21, 0x08, 0x00});
    // Standard timings: 1280x720, 1920x1080, 1280x1024, 1600x900 at 60 Hz; the rest unused.
    put(e, 38,
        {0x81, 0xC0, 0xD1, 0xC0, 0x81, 0x80, 0xA9, 0xC0, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01,
         0x01});
    // Preferred timing: 1920x1080p60, 148.5 MHz, 600 x 340 mm.
    put(e, 54,
        {0x02, 0x3A, 0x80, 0x18, 0x71, 0x38, 0x2D, 0x40, 0x58, 0x2C, 0x45, 0x00, 0x58, 0x54, 0x21,
         0x00, 0x00, 0x1E});
    // Range limits: 50-76 Hz, 26-83 kHz, 170 MHz.
    put(e, 72,
        {0x00, 0x00, 0x00, 0xFD, 0x00, 0x32, 0x4C, 0x1A, 0x53, 0x11, 0x00, 0x0A, 0x20, 0x20, 0x20,
         0x20, 0x20, 0x20});
    putTextDescriptor(e, 90, 0xFC, kNames[index]);
    putTextDescriptor(e, 108, 0xFF, QByteArray("VK0000") + char('1' + index));
    e[126] = 1;  // one extension block

    // CTA-861 extension, revision 3: underscan, basic audio, YCbCr 4:4:4 and 4:2:2, one native DTD.
    put(e, 128, {0x02, 0x03, 0x22, 0xF1});
    // Video data block: VIC 16, 4, 31, 19, 5, 20, 3, 2, 1.
    put(e, 132, {0x49, 0x10, 0x04, 0x1F, 0x13, 0x05, 0x14, 0x03, 0x02, 0x01});
    // Audio data block: 2-channel LPCM at 32/44.1/48 kHz, 16/20/24 bit.
    put(e, 142, {0x23, 0x09, 0x07, 0x07});
    // Speaker allocation: front left/right.
    put(e, 146, {0x83, 0x01, 0x00, 0x00});
    // HDMI vendor-specific data block: IEEE OUI 00-0C-03, physical address 1.0.0.0, 165 MHz.
    put(e, 150, {0x68, 0x03, 0x0C, 0x00, 0x10, 0x00, 0x00, 0x21, 0x00});
    // Video capability data block: RGB and YCbCr quantization selectable, IT always underscanned,
    // CE over- or underscanned.
    put(e, 159, {0xE2, 0x00, 0xCB});
    // Detailed timing at offset 0x22: 1280x720p60, 74.25 MHz.
    put(e, 162,
        {0x01, 0x1D, 0x00, 0x72, 0x51, 0xD0, 0x1E, 0x20, 0x6E, 0x28, 0x55, 0x00, 0x58, 0x54, 0x21,
         0x00, 0x00, 0x1E});

    fixEdidChecksums(e);
    return e;
}

}  // namespace varnok
