#pragma once
// The 18-byte descriptors of an EDID (VESA E-EDID 1.4 section 3.10) as fields: detailed timings,
// the product name and serial texts, the display range limits. Decoding reads every bit a field
// owns; encoding writes only those bits, so reserved bits and bytes survive an edit.

#include <QList>
#include <QString>

#include "edid/model/EdidModel.h"

namespace varnok {

enum class DescriptorKind {
    DetailedTiming,  // bytes 0..1 (the pixel clock) not 0
    ProductName,     // display descriptor tag 0xFC
    SerialText,      // tag 0xFF
    DataText,        // tag 0xFE, alphanumeric data string
    RangeLimits,     // tag 0xFD
    Dummy,           // tag 0x10: an empty slot an edit may fill
    Other,           // any other display descriptor, kept as its bytes
};

DescriptorKind DescriptorKindOf(const Bytes18& d);

// Every bit of a detailed timing descriptor. Widths: active and blanking 12 bits, horizontal
// front porch and sync 10, vertical front porch and sync 6, image size 12, borders 8.
struct EdidDetailedTiming {
    int pixelClock10kHz = 0;  // 1..65535 in units of 10 kHz (0 would make it a display descriptor)
    int hActive = 0;
    int hBlank = 0;
    int hFront = 0;
    int hSync = 0;
    int hBorder = 0;
    int hImageMm = 0;
    int vActive = 0;
    int vBlank = 0;
    int vFront = 0;
    int vSync = 0;
    int vBorder = 0;
    int vImageMm = 0;
    // Byte 17: interlaced (bit 7), stereo (bits 6, 5, 0), sync type (bits 4..3; 11 is digital
    // separate sync, whose vertical and horizontal polarities are bits 2 and 1, 1 = positive).
    uint8_t flags = 0x18;

    bool interlaced() const { return flags & 0x80; }
    bool operator==(const EdidDetailedTiming&) const = default;
};

// The one codec of the 18 bytes: the timing library reads and writes descriptors through these.
EdidDetailedTiming DecodeDetailedTiming(const Bytes18& d);
// The 18 bytes of a timing; every field must be in its width (see DetailedTimingOverflows).
Bytes18 EncodeDetailedTiming(const EdidDetailedTiming& t);

// The widest front porches a descriptor holds: 10 bits horizontally, 6 vertically.
constexpr int kDtdMaxHFront = 1023;
constexpr int kDtdMaxVFront = 63;

// A field of a detailed timing that can overflow; the back porches are the blanking less the
// front porch and the sync.
enum class DtdField {
    PixelClock,
    HActive,
    HBlank,
    HFront,
    HSync,
    HBack,
    VActive,
    VBlank,
    VFront,
    VSync,
    VBack,
    HBorder,
    VBorder,
    HImage,
    VImage,
};

struct DtdOverflow {
    DtdField field;
    int value = 0;  // the field's value (the pixel clock in 10 kHz)
    // "vertical front porch 71 lines: the descriptor holds at most 63"
    QString words;
};

// What a detailed timing descriptor holds, the one rule: each field that does not fit its bits
// (or is negative), in DtdField order; empty when the timing can be written. A pixel clock of 0
// does not fit either (it would make the descriptor a display descriptor).
QList<DtdOverflow> DetailedTimingOverflows(const EdidDetailedTiming& t);
// Empty when the timing can be written, else one sentence naming every field that does not fit:
// "A detailed timing descriptor cannot hold this timing: vertical front porch 71 lines: the
// descriptor holds at most 63."
QString DetailedTimingProblem(const EdidDetailedTiming& t);

// A digital separate-sync timing from its pixel clock in kHz (rounded to the descriptor's 10 kHz)
// and its porches; no borders, image size 0 (not given).
EdidDetailedTiming MakeDetailedTiming(int pixelClockKHz, int hActive, int hFront, int hSync,
                                      int hBack, bool hPositive, int vActive, int vFront, int vSync,
                                      int vBack, bool vPositive, bool interlaced);

// The text of a product name, serial or data string descriptor: bytes 5..17 up to the first
// 0x0A, trailing spaces dropped, as Latin-1.
QString DescriptorText(const Bytes18& d);
// Bytes 5..17 of a text descriptor: the text, 0x0A after it when it is shorter than 13, then
// spaces. Bytes 0..4 are left as they are.
void SetDescriptorText(Bytes18& d, const QString& text);
// Empty when text fits a text descriptor: up to 13 printable ASCII characters.
QString DescriptorTextProblem(const QString& text);
// A display descriptor 00 00 00 tag 00 with bytes 5..17 at 0 (dummy: tag 0x10).
Bytes18 MakeDisplayDescriptor(uint8_t tag);

// Display range limits (tag 0xFD). Rates above 255 use the +255 offsets of byte 4.
struct EdidRangeLimits {
    int minVerticalHz = 0;         // 1..510
    int maxVerticalHz = 0;         // 1..510, not below the minimum
    int minHorizontalKHz = 0;      // 1..510
    int maxHorizontalKHz = 0;      // 1..510, not below the minimum
    int maxPixelClockMHz = 0;      // byte 9 x 10: 10..2550 in steps of 10
    uint8_t timingSupport = 0x01;  // byte 10: 0 default GTF, 1 limits only, 2 secondary GTF, 4 CVT
    // Bytes 11..17: the secondary GTF or CVT parameters, or 0x0A and spaces.
    std::array<uint8_t, 7> detail{0x0A, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20};

    bool operator==(const EdidRangeLimits&) const = default;
};

EdidRangeLimits DecodeRangeLimits(const Bytes18& d);
// Writes bytes 4 (its offset bits 3..0 only) to 17; bytes 0..3 and bits 7..4 of byte 4 stay.
void EncodeRangeLimits(const EdidRangeLimits& limits, Bytes18& d);
// Empty when the limits can be written, else why not, in one sentence.
QString RangeLimitsProblem(const EdidRangeLimits& limits);

// The three letters of a manufacturer ID (bytes 8..9); a 5-bit code outside 1..26 reads as '?'.
QString VendorLetters(uint16_t vendorId);
// The ID of three letters A..Z (case ignored); false for anything else.
bool VendorIdFromLetters(const QString& letters, uint16_t& vendorId);

}  // namespace varnok
