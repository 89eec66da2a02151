#include "creator/pages/CreatorCollector.h"

#include <QCheckBox>
#include <QLineEdit>
#include <algorithm>

#include "creator/pages/ConversionError.h"
#include "creator/pages/CreatorControls.h"
#include "creator/pages/CreatorTables.h"

namespace varnok {

bool CreatorWidgetReader::checked(const QString& box) const {
    const QCheckBox* b = FindBox(root_, box);
    return b && b->isChecked();
}

QString CreatorWidgetReader::text(const QString& edit) const {
    const QLineEdit* e = root_->findChild<QLineEdit*>(edit);
    return e ? e->text() : QString();
}

namespace {

// VESA E-EDID marks an unused standard timing slot with 01 01.
constexpr uint16_t kUnusedStandardTiming = 0x0101;
// VICs above the CTA-861 range the pages know (1..107) count as free slots of the video list.
constexpr uint8_t kLastKnownVic = 107;
// HDMI VSDB byte 6: DC_Y444, set with any deep colour when YCbCr 4:4:4 is supported.
constexpr uint8_t kDeepColorY444 = 0x08;
constexpr uint8_t kCeaYcbcr444 = 0x20;
// The 2-channel L-PCM descriptor's byte 0: format code 1, channel count 2.
constexpr uint8_t kLpcmBasicByte0 = 0x09;
constexpr uint8_t kLpcmByte0 = kAudioCodeLpcm << 3;

// The number in an edit; each field keeps the low bits it has room for.
int64_t Number(const CreatorControlReader& c, const char* edit) {
    try {
        return ParseWholeNumber(c.text(QLatin1String(edit)));
    } catch (ConversionError& e) {
        e.setField(QLatin1String(edit));
        throw;
    }
}

bool Checked(const CreatorControlReader& c, const BoxRow& row) {
    return c.checked(ControlName(row));
}

template <std::size_t N>
uint32_t CheckedMasks(const CreatorControlReader& c, const std::array<BoxRow, N>& rows) {
    uint32_t bits = 0;
    for (const BoxRow& row : rows)
        if (Checked(c, row)) bits |= row.mask;
    return bits;
}

// ---- identification ---------------------------------------------------------------------------

void CollectNames(const CreatorControlReader& c, EdidInfo& info) {
    // One byte per character; a missing character counts as 0.
    const QByteArray maker = c.text(QLatin1String(kManufacturerEdit)).left(3).toLatin1();
    info.manufacturer.fill(0);
    std::copy(maker.begin(), maker.end(), info.manufacturer.begin());
    const QByteArray name = c.text(QStringLiteral("Edit_Creator_Monitor_Name")).left(13).toLatin1();
    info.monitorName.fill(0);
    std::copy(name.begin(), name.end(), info.monitorName.begin());
}

void CollectNumbers(const CreatorControlReader& c, EdidInfo& info) {
    info.productCode = static_cast<uint16_t>(Number(c, "Edit_Creator_Product_Code"));
    info.serialNumber = static_cast<uint32_t>(Number(c, "Edit_Creator_Serial_Number"));
    // Base byte 17 counts years from 1990; the low 8 bits wrap 2246 to 0.
    const auto year = static_cast<uint64_t>(Number(c, "Edit_Creator_Manufac_Year"));
    info.manufactureYear = static_cast<uint8_t>(year - 1990u);
    info.manufactureWeek = static_cast<uint8_t>(Number(c, "Edit_Creator_Manufac_Week"));
}

// ---- timings ----------------------------------------------------------------------------------

void CollectStandardTimings(const CreatorControlReader& c, EdidInfo& info) {
    auto& list = info.standardTimings;
    for (const BoxRow& row : kStandardTimingBoxes) {
        const auto code = static_cast<uint16_t>(row.mask);
        const auto found = std::find(list.begin(), list.end(), code);
        const bool on = Checked(c, row);
        if (on && found == list.end()) {
            const auto freeSlot = std::find_if(list.begin(), list.end(), [](uint16_t s) {
                return s == 0 || s == kUnusedStandardTiming;
            });
            if (freeSlot != list.end()) *freeSlot = code;
        } else if (!on && found != list.end()) {
            *found = kUnusedStandardTiming;
        }
    }
}

// ---- colour -----------------------------------------------------------------------------------

void CollectColor(const CreatorControlReader& c, EdidInfo& info) {
    info.ceaFlags = static_cast<uint8_t>(CheckedMasks(c, kColorSpaceBoxes));
    info.yuv420Supported = Checked(c, kColorSpaceBoxes[2]) ? 1 : 0;
    info.hdmiDeepColor = static_cast<uint8_t>(CheckedMasks(c, kColorDepthBoxes));
    if (info.hdmiDeepColor != 0 && (info.ceaFlags & kCeaYcbcr444)) {
        info.hdmiDeepColor |= kDeepColorY444;
    }
    info.colorimetry[0] = static_cast<uint8_t>(CheckedMasks(c, kColorimetryBoxes));
}

// ---- video ------------------------------------------------------------------------------------

// Edits a VIC list in place by its boxes: a checked VIC not yet listed takes the first free
// slot (0, or a value above 107); an unchecked VIC is removed from every slot.
template <std::size_t Slots, std::size_t Boxes>
void EditVicList(const CreatorControlReader& c, const std::array<BoxRow, Boxes>& boxes,
                 std::array<uint8_t, Slots>& list) {
    for (const BoxRow& row : boxes) {
        const auto vic = static_cast<uint8_t>(row.mask);
        const bool listed = std::find(list.begin(), list.end(), vic) != list.end();
        const bool on = Checked(c, row);
        if (on && !listed) {
            const auto freeSlot = std::find_if(
                list.begin(), list.end(), [](uint8_t s) { return s == 0 || s > kLastKnownVic; });
            if (freeSlot != list.end()) *freeSlot = vic;
        } else if (!on && listed) {
            std::replace(list.begin(), list.end(), vic, uint8_t(0));
        }
    }
}

void CollectVideo(const CreatorControlReader& c, EdidInfo& info) {
    EditVicList(c, kVideoIdCodeBoxes, info.vicList);
    EditVicList(c, kYuv420VdbBoxes, info.yuv420Vics);
    // The 3840 x 2160 boxes also give HDMI_VIC codes, in the boxes' order.
    info.hdmiVics.fill(0);
    std::size_t next = 0;
    for (const HdmiVicRow& row : kHdmiVicBoxes) {
        if (c.checked(ControlName(kVideoIdCodePrefix, row.vic)) && next < info.hdmiVics.size()) {
            info.hdmiVics[next++] = row.hdmiVic;
        }
    }
}

// ---- 3D and HDR -------------------------------------------------------------------------------

void Collect3dAndHdr(const CreatorControlReader& c, EdidInfo& info) {
    if (c.checked(QLatin1String(k3dPresentBox))) {
        info.features |= Has3D;
    } else {
        info.features &= static_cast<FeatureFlags>(~Has3D);
    }
    info.yuv420DeepColor = static_cast<uint8_t>(CheckedMasks(c, kHdrDeepColorBoxes));
    info.hdrStaticMetadata[0] = static_cast<uint8_t>(CheckedMasks(c, kHdrEotfBoxes));
    // Only the Type 1 bit of the static metadata descriptor byte has a box.
    const uint8_t type1 = kHdrDescriptorBoxes[0].mask;
    info.hdrStaticMetadata[1] = static_cast<uint8_t>(
        (info.hdrStaticMetadata[1] & ~type1) | (Checked(c, kHdrDescriptorBoxes[0]) ? type1 : 0));
    for (std::size_t k = 0; k < kLuminanceEdits.size(); ++k) {
        info.hdrStaticMetadata[2 + k] = static_cast<uint8_t>(Number(c, kLuminanceEdits[k].name));
    }
}

// ---- audio ------------------------------------------------------------------------------------

using Sad = std::array<uint8_t, 3>;

uint8_t FormatCode(const Sad& sad) {
    return (sad[0] >> 3) & 0x0F;
}
int Channels(const Sad& sad) {
    return (sad[0] & 7) + 1;
}
// Bits 2..0 of byte 0 hold channels - 1; a count outside 1..8 is clamped so that the format code
// in bits 7..3 never changes.
void SetChannels(Sad& sad, int64_t channels) {
    const auto n = static_cast<uint8_t>(std::clamp<int64_t>(channels, 1, 8));
    sad[0] = static_cast<uint8_t>((sad[0] & 0xF8) | (n - 1));
}

uint8_t RateBits(const CreatorControlReader& c, const char* prefix) {
    uint8_t bits = 0;
    for (const RateRow& rate : kRateBoxes)
        if (c.checked(ControlName(prefix, rate.number))) bits |= rate.mask;
    return bits;
}

// What a format's descriptor holds when its MaxCH edit is 0 (or below): channels, rate bits and
// byte 2. Byte 2 is also what formats without a BitRate edit always get.
struct FormatDefaults {
    uint8_t formatCode;
    uint8_t channels;
    uint8_t rates;
    uint8_t byte2;
};
constexpr std::array<FormatDefaults, 7> kFormatDefaults{{
    {2, 6, 0x07, 0x50},   // AC-3: 32, 44.1, 48 kHz; 640 kbit/s
    {6, 6, 0x06, 0x3C},   // AAC LC: 44.1, 48 kHz; 480 kbit/s
    {7, 7, 0x1E, 0xC0},   // DTS: 44.1 .. 96 kHz; 1536 kbit/s
    {9, 6, 0x02, 0x00},   // One Bit Audio: 44.1 kHz
    {10, 8, 0x06, 0x00},  // Enhanced AC-3: 44.1, 48 kHz
    {11, 8, 0x7E, 0x01},  // DTS-HD: 44.1 .. 192 kHz
    {12, 8, 0x7E, 0x00},  // MAT: 44.1 .. 192 kHz
}};

const FormatDefaults* DefaultsFor(uint8_t code) {
    for (const FormatDefaults& d : kFormatDefaults)
        if (d.formatCode == code) return &d;
    return nullptr;
}

const AudioPanelRow* PanelFor(uint8_t code) {
    for (const AudioPanelRow& p : kAudioPanels)
        if (p.formatCode == code) return &p;
    return nullptr;
}

// A "Yes" box of the audio pages: its number, the format flag it owns and its descriptor's byte 0
// when added ("Basic" is the 2-channel L-PCM descriptor; the others start at one channel and get
// their count in the detail step).
struct FormatBox {
    int box;
    uint16_t flag;
    uint8_t byte0;
};
std::array<FormatBox, 8> FormatBoxes() {
    std::array<FormatBox, 8> boxes{};
    boxes[0] = {kLpcmBasicBox, AudioLpcm2ch, kLpcmBasicByte0};
    for (std::size_t i = 0; i < kAudioPanels.size(); ++i) {
        const AudioPanelRow& p = kAudioPanels[i];
        boxes[i + 1] = {p.yesBox, p.formatFlag, static_cast<uint8_t>(p.formatCode << 3)};
    }
    return boxes;
}

// Puts a descriptor into the lowest slot whose byte 0 is 0; false when all ten are taken.
bool AddDescriptor(EdidInfo& info, uint8_t byte0) {
    for (Sad& sad : info.sads) {
        if (sad[0] == 0) {
            sad = {byte0, 0, 0};
            return true;
        }
    }
    return false;
}

void FillDetails(const CreatorControlReader& c, Sad& sad, int64_t lpcmChannels) {
    const uint8_t code = FormatCode(sad);
    if (code == kAudioCodeLpcm) {
        // Both L-PCM descriptors share the rates and sample sizes; the 2-channel one keeps its
        // count.
        if (Channels(sad) != 2) SetChannels(sad, lpcmChannels);
        sad[1] = RateBits(c, kLpcmFreqPrefix);
        sad[2] = static_cast<uint8_t>(CheckedMasks(c, kLpcmSampleBitBoxes));
        return;
    }
    const AudioPanelRow* panel = PanelFor(code);
    const FormatDefaults* defaults = DefaultsFor(code);
    if (!panel || !defaults) return;  // a format without a panel keeps its descriptor
    const int64_t n = Number(c, panel->maxChEdit);
    if (n > 0) {
        SetChannels(sad, n);
        sad[1] = RateBits(c, panel->freqPrefix);
        // The bit rate is given in kbit/s; byte 2 counts units of 8 kbit/s.
        sad[2] = panel->bitRateEdit ? static_cast<uint8_t>(Number(c, panel->bitRateEdit) / 8)
                                    : defaults->byte2;
    } else {
        SetChannels(sad, defaults->channels);
        sad[1] = defaults->rates;
        sad[2] = defaults->byte2;
    }
}

void CollectAudio(const CreatorControlReader& c, EdidInfo& info) {
    const int64_t m = Number(c, kLpcmMaxChEdit);
    const auto boxes = FormatBoxes();
    // A flag is set only with its descriptor in a slot: a format that found no room stays free
    // to be added at a later build.
    auto add = [&info](uint16_t flag, uint8_t byte0) {
        if (AddDescriptor(info, byte0)) info.audioFormats |= flag;
    };
    auto clear = [&info](uint16_t flag) { info.audioFormats &= static_cast<uint16_t>(~flag); };

    // 1, 2: additions. A MaxCH above 2 stands for the multichannel L-PCM descriptor.
    if (m > 2 && !(info.audioFormats & AudioLpcmMulti)) {
        Sad probe{kLpcmByte0, 0, 0};
        SetChannels(probe, m);
        add(AudioLpcmMulti, probe[0]);
    }
    for (const FormatBox& b : boxes) {
        if (c.checked(ControlName(kAudioFormatPrefix, b.box)) && !(info.audioFormats & b.flag)) {
            add(b.flag, b.byte0);
        }
    }
    // 3, 4: removals; removing a descriptor empties its byte 0 only.
    if (m <= 2 && (info.audioFormats & AudioLpcmMulti)) {
        clear(AudioLpcmMulti);
        for (Sad& sad : info.sads) {
            if (sad[0] != 0 && FormatCode(sad) == kAudioCodeLpcm && Channels(sad) > 2) {
                sad[0] = 0;
                break;
            }
        }
    }
    for (const FormatBox& b : boxes) {
        if (c.checked(ControlName(kAudioFormatPrefix, b.box)) || !(info.audioFormats & b.flag))
            continue;
        clear(b.flag);
        for (Sad& sad : info.sads) {
            const bool match = b.box == kLpcmBasicBox
                                   ? sad[0] == kLpcmBasicByte0
                                   : sad[0] != 0 && FormatCode(sad) == (b.byte0 >> 3);
            if (match) sad[0] = 0;
        }
    }
    // 5: details of every descriptor left, by its format code.
    for (Sad& sad : info.sads) {
        if (sad[0] != 0) FillDetails(c, sad, m);
    }
}

// ---- speakers and CEC -------------------------------------------------------------------------

void CollectCecAddress(const CreatorControlReader& c, EdidInfo& info) {
    // Four hexadecimal digits A, B, C, D of the physical address A.B.C.D.
    const QString text = c.text(QLatin1String(kCecAddressEdit));
    ConversionError bad(text);
    bad.setField(QLatin1String(kCecAddressEdit));
    if (text.size() < 4) throw bad;
    int digits[4];
    for (int i = 0; i < 4; ++i) {
        const char16_t ch = text[i].unicode();
        if (ch >= u'0' && ch <= u'9') {
            digits[i] = ch - u'0';
        } else if (ch >= u'A' && ch <= u'F') {
            digits[i] = ch - u'A' + 10;
        } else if (ch >= u'a' && ch <= u'f') {
            digits[i] = ch - u'a' + 10;
        } else {
            throw bad;
        }
    }
    info.cecAddress[0] = static_cast<uint8_t>(digits[0] * 16 + digits[1]);
    info.cecAddress[1] = static_cast<uint8_t>(digits[2] * 16 + digits[3]);
}

}  // namespace

void CollectCreatorFields(const CreatorControlReader& c, EdidInfo& info) {
    CollectNames(c, info);
    CollectNumbers(c, info);
    info.establishedTimings = CheckedMasks(c, kEstablishTimingBoxes);
    CollectStandardTimings(c, info);
    CollectColor(c, info);
    CollectVideo(c, info);
    Collect3dAndHdr(c, info);
    CollectAudio(c, info);
    // The right-hand boxes ("...r") mirror their partners and are not read.
    info.speakerAllocation = CheckedMasks(c, kSpeakerBoxes);
    CollectCecAddress(c, info);
}

}  // namespace varnok
