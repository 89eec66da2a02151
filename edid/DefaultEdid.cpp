#include "DefaultEdid.h"

namespace varnok {

namespace {

constexpr EdidImage MakeDefaultEdid() {
    constexpr uint8_t kHead[] = {
        // Block 0: header, "NEW", product 0, serial 0, week 15 of 2015, EDID 1.3
        0x00,
        0xFF,
        0xFF,
        0xFF,
        0xFF,
        0xFF,
        0xFF,
        0x00,
        0x38,
        0xB7,
        0x00,
        0x00,
        0x00,
        0x00,
        0x00,
        0x00,
        0x0F,
        0x19,
        0x01,
        0x03,
        // digital input, 16 x 9 cm, gamma 2.2, features, colour characteristics
        0x80,
        0x10,
        0x09,
        0x78,
        0x02,
        0xAE,
        0xA5,
        0xA6,
        0x54,
        0x4C,
        0x99,
        0x26,
        0x14,
        0x50,
        0x54,
        // established timings: 640x480@60, 800x600@60; no standard timings
        0x21,
        0x00,
        0x00,
        0x01,
        0x01,
        0x01,
        0x01,
        0x01,
        0x01,
        0x01,
        0x01,
        0x01,
        0x01,
        0x01,
        0x01,
        0x01,
        0x01,
        0x01,
        0x01,
        // DTD 1920x1080p 148.5 MHz
        0x02,
        0x3A,
        0x80,
        0x18,
        0x71,
        0x38,
        0x2D,
        0x40,
        0x58,
        0x2C,
        0x45,
        0x00,
        0xA0,
        0x5A,
        0x00,
        0x00,
        0x00,
        0x1E,
        // DTD 1280x720p 74.25 MHz
        0x01,
        0x1D,
        0x00,
        0x72,
        0x51,
        0xD0,
        0x1E,
        0x20,
        0x6E,
        0x28,
        0x55,
        0x00,
        0xA0,
        0x5A,
        0x00,
        0x00,
        0x00,
        0x1E,
        // display product name "BrandNewEdid"
        0x00,
        0x00,
        0x00,
        0xFC,
        0x00,
        0x42,
        0x72,
        0x61,
        0x6E,
        0x64,
        0x4E,
        0x65,
        0x77,
        0x45,
        0x64,
        0x69,
        0x64,
        0x0A,
        // range limits 49..61 Hz, 15..68 kHz, 170 MHz
        0x00,
        0x00,
        0x00,
        0xFD,
        0x00,
        0x31,
        0x3D,
        0x0F,
        0x44,
        0x11,
        0x00,
        0x0A,
        0x20,
        0x20,
        0x20,
        0x20,
        0x20,
        0x00,
        // one extension, checksum
        0x01,
        0xD3,
        // Block 1: CTA-861 revision 3, DTDs at 19, basic audio, YCbCr 4:4:4 and 4:2:2, 1 native
        0x02,
        0x03,
        0x13,
        0x71,
        // video data block: VIC 16
        0x41,
        0x10,
        // audio data block: L-PCM 2 ch, 32/44.1/48 kHz, 16/20 bit
        0x23,
        0x09,
        0x07,
        0x03,
        // HDMI vendor-specific block: 1.0.0.0, Supports_AI, max TMDS 165 MHz
        0x68,
        0x03,
        0x0C,
        0x00,
        0x10,
        0x00,
        0x80,
        0x21,
        0x00,
    };
    EdidImage image{};
    for (std::size_t i = 0; i < sizeof kHead; ++i) {
        image[i] = kHead[i];
    }
    image[255] = 0xC8;  // checksum of block 1; bytes 147..254 stay 0
    return image;
}

constexpr EdidImage kDefaultEdid = MakeDefaultEdid();

}  // namespace

const EdidImage& DefaultEdidImage() {
    return kDefaultEdid;
}

}  // namespace varnok
