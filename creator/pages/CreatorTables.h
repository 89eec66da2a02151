#pragma once
// The creator's control families. Every numbered control is named prefix + number (+ suffix),
// and the number carries the control's meaning in the EDID: an established-timing bit, a VIC, a
// speaker-allocation bit, a sample-rate bit. One table per family serves three uses: building
// the sub-pages, loading a decoded EDID into them and collecting them back into the record.
//
// Bits are given as masks of the record field that the family belongs to (see each table).

#include <QString>
#include <array>
#include <cstdint>

namespace varnok {

// One numbered check box: its name parts, caption, what it stands for, and its grid cell on
// its sub-page (row, column) among the boxes of that page or group.
struct BoxRow {
    const char* prefix;
    int number;
    const char* suffix;  // "" except "r" for the right-hand speaker of a pair
    const char* caption;
    uint32_t mask;  // bit, code or VIC in the family's record field
    int row;
    int column;
};

// The control name of a row: prefix, number in decimal, suffix.
QString ControlName(const BoxRow& row);
QString ControlName(const char* prefix, int number, const char* suffix = "");

// Sub-page objectNames and tab captions, in tab order.
struct SubPageRow {
    const char* name;
    const char* caption;
};
inline constexpr std::array<SubPageRow, 7> kCreatorSubPages{{
    {"TabSheet5", "Descriptor"},
    {"TabSheet6", "PC Timing"},
    {"TabSheet7", "SD/HD/UHD"},
    {"TabSheet8", "Audio1"},
    {"TabSheet11", "Audio2"},
    {"TabSheet9", "Color Space"},
    {"TabSheet12", "Others"},
}};

// ---- "PC Timing" ------------------------------------------------------------------------------

inline constexpr std::array<const char*, 8> kPcTimingRowCaptions{
    "720 x 400",  "640 x 480",   "800 x 600",  "832 x 624",
    "1024 x 768", "1280 x 1024", "1152 x 870", "1600 x 1200"};

inline constexpr const char* kEstablishTimingPrefix = "CheckBox_EstablishTiming_";
// Box i stands for bit 23 - (i - 1) of establishedTimings (base bytes 35, 36, 37).
inline constexpr std::array<BoxRow, 17> kEstablishTimingBoxes{{
    {kEstablishTimingPrefix, 1, "", "70Hz", 0x800000, 0, 0},
    {kEstablishTimingPrefix, 2, "", "88Hz", 0x400000, 0, 1},
    {kEstablishTimingPrefix, 3, "", "60Hz", 0x200000, 1, 0},
    {kEstablishTimingPrefix, 4, "", "67Hz", 0x100000, 1, 1},
    {kEstablishTimingPrefix, 5, "", "72Hz", 0x080000, 1, 2},
    {kEstablishTimingPrefix, 6, "", "75Hz", 0x040000, 1, 3},
    {kEstablishTimingPrefix, 7, "", "56Hz", 0x020000, 2, 0},
    {kEstablishTimingPrefix, 8, "", "60Hz", 0x010000, 2, 1},
    {kEstablishTimingPrefix, 9, "", "72Hz", 0x008000, 2, 2},
    {kEstablishTimingPrefix, 10, "", "75Hz", 0x004000, 2, 3},
    {kEstablishTimingPrefix, 11, "", "75Hz", 0x002000, 3, 0},
    {kEstablishTimingPrefix, 12, "", "87Hz", 0x001000, 4, 3},
    {kEstablishTimingPrefix, 13, "", "60Hz", 0x000800, 4, 0},
    {kEstablishTimingPrefix, 14, "", "70Hz", 0x000400, 4, 1},
    {kEstablishTimingPrefix, 15, "", "75Hz", 0x000200, 4, 2},
    {kEstablishTimingPrefix, 16, "", "75Hz", 0x000100, 5, 0},
    {kEstablishTimingPrefix, 17, "", "75Hz", 0x000080, 6, 0},
}};

inline constexpr const char* kStandardTimingPrefix = "CheckBox_StandardTiming_";
// Box k stands for one fixed standard timing code (VESA E-EDID 2-byte code).
inline constexpr std::array<BoxRow, 5> kStandardTimingBoxes{{
    {kStandardTimingPrefix, 1, "", "60Hz", 0x8180, 5, 1},
    {kStandardTimingPrefix, 2, "", "70Hz", 0x818A, 5, 2},
    {kStandardTimingPrefix, 3, "", "60Hz", 0xA940, 7, 1},
    {kStandardTimingPrefix, 4, "", "70Hz", 0xA94A, 7, 2},
    {kStandardTimingPrefix, 5, "", "75Hz", 0xA94F, 7, 0},
}};

// ---- "SD/HD/UHD" ------------------------------------------------------------------------------

inline constexpr std::array<const char*, 9> kVideoRowCaptions{
    "4K(6G)", "480i", "480p", "576i", "576p", "720p", "1080i", "1080p", "4K(3G)"};

inline constexpr const char* kVideoIdCodePrefix = "CheckBox_VideoIdCode_";
// CreatorVicList: the boxes in loading order; the mask is the VIC. Columns line up by field
// rate: 24, 25, 30, 50, 60 Hz.
inline constexpr std::array<BoxRow, 21> kVideoIdCodeBoxes{{
    {kVideoIdCodePrefix, 6, "", "60Hz", 6, 1, 4},   {kVideoIdCodePrefix, 3, "", "60Hz", 3, 2, 4},
    {kVideoIdCodePrefix, 21, "", "50Hz", 21, 3, 3}, {kVideoIdCodePrefix, 18, "", "50Hz", 18, 4, 3},
    {kVideoIdCodePrefix, 60, "", "24Hz", 60, 5, 0}, {kVideoIdCodePrefix, 61, "", "25Hz", 61, 5, 1},
    {kVideoIdCodePrefix, 62, "", "30Hz", 62, 5, 2}, {kVideoIdCodePrefix, 19, "", "50Hz", 19, 5, 3},
    {kVideoIdCodePrefix, 4, "", "60Hz", 4, 5, 4},   {kVideoIdCodePrefix, 20, "", "50Hz", 20, 6, 3},
    {kVideoIdCodePrefix, 5, "", "60Hz", 5, 6, 4},   {kVideoIdCodePrefix, 32, "", "24Hz", 32, 7, 0},
    {kVideoIdCodePrefix, 33, "", "25Hz", 33, 7, 1}, {kVideoIdCodePrefix, 34, "", "30Hz", 34, 7, 2},
    {kVideoIdCodePrefix, 31, "", "50Hz", 31, 7, 3}, {kVideoIdCodePrefix, 16, "", "60Hz", 16, 7, 4},
    {kVideoIdCodePrefix, 93, "", "24Hz", 93, 8, 0}, {kVideoIdCodePrefix, 94, "", "25Hz", 94, 8, 1},
    {kVideoIdCodePrefix, 95, "", "30Hz", 95, 8, 2}, {kVideoIdCodePrefix, 96, "", "50Hz", 96, 0, 3},
    {kVideoIdCodePrefix, 97, "", "60Hz", 97, 0, 4},
}};
inline constexpr int kCreatorVicCount = 21;

inline constexpr const char* kYuv420VdbPrefix = "CheckBox_YUV420VDB_";
// CreatorYuv420VicList: VICs of the YCbCr 4:2:0 video data block.
inline constexpr std::array<BoxRow, 2> kYuv420VdbBoxes{{
    {kYuv420VdbPrefix, 96, "", "50Hz", 96, 8, 3},
    {kYuv420VdbPrefix, 97, "", "60Hz", 97, 8, 4},
}};

// The 3840 x 2160 VICs that the HDMI vendor-specific block also lists as HDMI_VIC codes.
struct HdmiVicRow {
    int vic;
    uint8_t hdmiVic;
};
inline constexpr std::array<HdmiVicRow, 3> kHdmiVicBoxes{{{93, 3}, {94, 2}, {95, 1}}};
// The CEA VIC box that shows an HDMI_VIC code of a loaded image (HDMI 1.4b: 1 = 2160p30,
// 2 = 2160p25, 3 = 2160p24, 4 = 2160p24 SMPTE); 0 when the code has no box.
constexpr int VicBoxForHdmiVic(uint8_t hdmiVic) {
    switch (hdmiVic) {
        case 1:
            return 95;
        case 2:
            return 94;
        case 3:
        case 4:
            return 93;
        default:
            return 0;
    }
}

// ---- "Audio1": speaker placement --------------------------------------------------------------

// Grid rows (Label6): High, Front, Center, Rear, Low; columns (Label5): Wide, Left, Center,
// Right, Wide.
inline constexpr const char* kSpeakerLabel6Caption = "High\nFront\nCenter\nRear\nLow";
inline constexpr std::array<const char*, 5> kSpeakerColumnCaptions{"Wide", "Left", "Center",
                                                                   "Right", "Wide"};

inline constexpr const char* kSpeakerPrefix = "CheckBox_SpeakerPosition_";
// The eleven boxes of the speaker allocation payload (CTA-861 speaker allocation data block,
// bytes 1..3 as byte1 * 65536 + byte2 * 256 + byte3).
inline constexpr std::array<BoxRow, 11> kSpeakerBoxes{{
    {kSpeakerPrefix, 1, "", "FLW", 0x800000, 1, 0},
    {kSpeakerPrefix, 2, "", "RLC", 0x400000, 3, 0},
    {kSpeakerPrefix, 3, "", "FLC", 0x200000, 2, 1},
    {kSpeakerPrefix, 4, "", "RC", 0x100000, 3, 2},
    {kSpeakerPrefix, 5, "", "RL", 0x080000, 3, 1},
    {kSpeakerPrefix, 6, "", "FC", 0x040000, 1, 2},
    {kSpeakerPrefix, 7, "", "LFE", 0x020000, 4, 2},
    {kSpeakerPrefix, 8, "", "FL", 0x010000, 1, 1},
    {kSpeakerPrefix, 9, "", "FCH", 0x000400, 0, 2},
    {kSpeakerPrefix, 10, "", "TC", 0x000200, 2, 2},
    {kSpeakerPrefix, 11, "", "FLH", 0x000100, 0, 1},
}};
// Right-hand partners: same number, suffix "r", same bit; they mirror their left-hand box and
// are never read for the payload.
inline constexpr std::array<BoxRow, 6> kSpeakerPartnerBoxes{{
    {kSpeakerPrefix, 1, "r", "FRW", 0x800000, 1, 4},
    {kSpeakerPrefix, 2, "r", "RRC", 0x400000, 3, 4},
    {kSpeakerPrefix, 3, "r", "FRC", 0x200000, 2, 3},
    {kSpeakerPrefix, 5, "r", "RR", 0x080000, 3, 3},
    {kSpeakerPrefix, 8, "r", "FR", 0x010000, 1, 3},
    {kSpeakerPrefix, 11, "r", "FRH", 0x000100, 0, 3},
}};

// ---- Audio formats ----------------------------------------------------------------------------

// The seven sample-rate boxes of every format, numbered 1..7; box k stands for bit 6 - (k - 1)
// of byte 1 of a CTA-861 short audio descriptor.
struct RateRow {
    int number;
    const char* caption;
    uint8_t mask;
};
inline constexpr std::array<RateRow, 7> kRateBoxes{{
    {1, "192kHz", 0x40},
    {2, "176.4kHz", 0x20},
    {3, "96kHz", 0x10},
    {4, "88.2kHz", 0x08},
    {5, "48kHz", 0x04},
    {6, "44.1kHz", 0x02},
    {7, "32kHz", 0x01},
}};

inline constexpr const char* kAudioFormatPrefix = "CheckBox_AudioFormat_";
inline constexpr int kAudioFormatBoxCount = 9;  // CheckBox_AudioFormat_1 .. _9

// L-PCM (group "L-PCM" of "Audio1"): "Basic" is the 2-channel descriptor; box 2 (multichannel
// L-PCM) exists but is never shown: the MaxCH edit stands for it.
inline constexpr int kLpcmBasicBox = 1;
inline constexpr int kLpcmMultiBox = 2;
inline constexpr const char* kLpcmMaxChEdit = "Edit_AudioLPCM_MaxCh";
inline constexpr const char* kLpcmFreqPrefix = "CheckBox_AudioLPCM_Freq_";
inline constexpr const char* kLpcmSampleBitPrefix = "CheckBox_AudioLPCM_SamBit_";
// Sample sizes: byte 2 of an L-PCM descriptor.
inline constexpr std::array<BoxRow, 3> kLpcmSampleBitBoxes{{
    {kLpcmSampleBitPrefix, 1, "", "24Bit", 0x04, 0, 0},
    {kLpcmSampleBitPrefix, 2, "", "20Bit", 0x02, 0, 1},
    {kLpcmSampleBitPrefix, 3, "", "16Bit", 0x01, 0, 2},
}};
inline constexpr uint8_t kAudioCodeLpcm = 1;

// The seven format panels of "Audio2", in loading and display order.
struct AudioPanelRow {
    const char* panel;
    const char* caption;
    int yesBox;             // number of its CheckBox_AudioFormat_ box
    const char* detailBox;  // its "For Detail" box
    const char* maxChEdit;
    const char* bitRateEdit;  // nullptr when the format has none
    const char* freqPrefix;
    uint8_t formatCode;   // CTA-861 audio format code
    uint16_t formatFlag;  // AudioFormatFlagBits
};
inline constexpr std::array<AudioPanelRow, 7> kAudioPanels{{
    {"Panel44", "Dolby Digital", 3, "CheckBox_AudDetail_AC3", "Edit_AudioAC3_MaxCh",
     "Edit_AudioAC3_BitRate", "CheckBox_AudioAC3_Freq_", 2, 0x0004},
    {"Panel45", "Dolby Digital+", 4, "CheckBox_AudDetail_EAC3", "Edit_AudioEAC3_MaxCh", nullptr,
     "CheckBox_AudioEAC3_Freq_", 10, 0x0008},
    {"Panel46", "Dolby TrueHD", 5, "CheckBox_AudDetail_MAT", "Edit_AudioMAT_MaxCh", nullptr,
     "CheckBox_AudioMAT_Freq_", 12, 0x0010},
    {"Panel47", "DTS", 6, "CheckBox_AudDetail_DTS", "Edit_AudioDTS_MaxCh", "Edit_AudioDTS_BitRate",
     "CheckBox_AudioDTS_Freq_", 7, 0x0020},
    {"Panel48", "DTS HD", 7, "CheckBox_AudDetail_DTSHD", "Edit_AudioDTSHD_MaxCh", nullptr,
     "CheckBox_AudioDTSHD_Freq_", 11, 0x0040},
    {"Panel49", "AAC LC", 8, "CheckBox_AudDetail_AAC", "Edit_AudioAAC_MaxCh",
     "Edit_AudioAAC_BitRate", "CheckBox_AudioAAC_Freq_", 6, 0x0080},
    {"Panel50", "One Bit Audio", 9, "CheckBox_AudDetail_OBA", "Edit_AudioOBA_MaxCh", nullptr,
     "CheckBox_AudioOBA_Freq_", 9, 0x0100},
}};

// Heights of a detail panel: first row only, expanded; the HDR panel expands further.
inline constexpr int kPanelCollapsedHeight = 23;
inline constexpr int kPanelExpandedHeight = 110;
inline constexpr int kHdrPanelExpandedHeight = 156;
inline constexpr const char* kHdrPanel = "Panel31";
inline constexpr const char* kHdrDetailBox = "CheckBox_HDR_Detail";
inline constexpr const char* kScrollBox = "ScrollBox1";
inline constexpr int kScrollBoxWheelStep = 15;

// ---- "Color Space" ----------------------------------------------------------------------------

// Grid rows of the boxes; Colorimetry takes two rows (2 and 3). The HDR panel follows.
inline constexpr std::array<const char*, 5> kColorRowCaptions{"YCbCr", "ColorDepth", "Colorimetry",
                                                              "", "BT2020"};
inline constexpr const char* kHdrRowCaption = "HDR";

// Box 1 and 2: bits of ceaFlags (CTA-861 extension byte 3); box 3 (4:2:0) stands for
// yuv420Supported and has no bit.
inline constexpr const char* kColorSpacePrefix = "CheckBox_ColorSpace_";
inline constexpr std::array<BoxRow, 3> kColorSpaceBoxes{{
    {kColorSpacePrefix, 1, "", "4:4:4", 0x20, 0, 1},
    {kColorSpacePrefix, 2, "", "4:2:2", 0x10, 0, 2},
    {kColorSpacePrefix, 3, "", "4:2:0", 0x00, 0, 0},
}};
// Bits of hdmiDeepColor (HDMI VSDB byte 6: DC_48bit, DC_36bit, DC_30bit).
inline constexpr const char* kColorDepthPrefix = "CheckBox_ColorDepth_";
inline constexpr std::array<BoxRow, 3> kColorDepthBoxes{{
    {kColorDepthPrefix, 1, "", "16Bit", 0x40, 1, 1},
    {kColorDepthPrefix, 2, "", "12Bit", 0x20, 1, 2},
    {kColorDepthPrefix, 3, "", "10Bit", 0x10, 1, 0},
}};
// Bits of colorimetry[0] (CTA-861 colorimetry data block byte 2).
inline constexpr const char* kColorimetryPrefix = "CheckBox_Colorimetry_";
inline constexpr std::array<BoxRow, 8> kColorimetryBoxes{{
    {kColorimetryPrefix, 1, "", "RGB", 0x80, 4, 1},
    {kColorimetryPrefix, 2, "", "YCC", 0x40, 4, 2},
    {kColorimetryPrefix, 3, "", "cYCC", 0x20, 4, 0},
    {kColorimetryPrefix, 4, "", "AdobeRGB", 0x10, 3, 0},
    {kColorimetryPrefix, 5, "", "AdobeYCC601", 0x08, 3, 1},
    {kColorimetryPrefix, 6, "", "sYCC601", 0x04, 2, 0},
    {kColorimetryPrefix, 7, "", "xvYCC709", 0x02, 2, 2},
    {kColorimetryPrefix, 8, "", "xvYCC601", 0x01, 2, 1},
}};
// HDR panel, first row: the YCbCr 4:2:0 deep-colour bits of the HDMI Forum block
// (yuv420DeepColor: bit 2 16 bits, bit 1 12 bits, bit 0 10 bits).
inline constexpr const char* kHdrDeepColorPrefix = "CheckBox_HDR_";
inline constexpr std::array<BoxRow, 3> kHdrDeepColorBoxes{{
    {kHdrDeepColorPrefix, 1, "", "16Bit", 0x04, 0, 0},
    {kHdrDeepColorPrefix, 2, "", "12Bit", 0x02, 0, 1},
    {kHdrDeepColorPrefix, 3, "", "10Bit", 0x01, 0, 2},
}};
// EOTF bits of hdrStaticMetadata[0] (CTA-861 HDR static metadata data block byte 2).
inline constexpr const char* kHdrEotfPrefix = "CheckBox_HDR_EOTF_";
inline constexpr std::array<BoxRow, 3> kHdrEotfBoxes{{
    {kHdrEotfPrefix, 1, "", "SMPTE ST 2084", 0x04, 2, 0},
    {kHdrEotfPrefix, 2, "", "HDR Luminance Range", 0x02, 1, 0},
    {kHdrEotfPrefix, 3, "", "SDR Luminance Range", 0x01, 0, 0},
}};
// Static metadata descriptor Type 1: bit 0 of hdrStaticMetadata[1].
inline constexpr const char* kHdrDescriptorPrefix = "CheckBox_HDR_Despt_";
inline constexpr std::array<BoxRow, 1> kHdrDescriptorBoxes{{
    {kHdrDescriptorPrefix, 1, "", "Type 1", 0x01, 0, 0},
}};

// ---- Edits ------------------------------------------------------------------------------------

// Which input rule a change of the edit runs.
enum class InputRule {
    None,  // BitRate edits
    ManufacturerName,
    MonitorName,
    ProductCode,
    SerialNumber,
    ManufactureYear,
    ManufactureWeek,
    MaxChannels,
    Luminance,
    CecAddress,  // re-checks the manufacturer name
};

struct EditRow {
    const char* name;
    const char* caption;
    const char* initialText;
    InputRule rule;
    bool upperCase;  // typed letters are turned to upper case
};

inline constexpr const char* kManufacturerEdit = "Edit_Creator_Manufac_Name";
inline constexpr const char* kCecAddressEdit = "Edit_Creator_CEC_Address";

// "Descriptor" page, one edit per row.
inline constexpr std::array<EditRow, 6> kDescriptorEdits{{
    {kManufacturerEdit, "Manufacturer Name :", "", InputRule::ManufacturerName, true},
    {"Edit_Creator_Monitor_Name", "Monitor Name :", "", InputRule::MonitorName, false},
    {"Edit_Creator_Product_Code", "Product Code :", "", InputRule::ProductCode, false},
    {"Edit_Creator_Serial_Number", "Serial Number :", "", InputRule::SerialNumber, false},
    {"Edit_Creator_Manufac_Year", "Manufacture Year :", "", InputRule::ManufactureYear, false},
    {"Edit_Creator_Manufac_Week", "Manufacture Week :", "", InputRule::ManufactureWeek, false},
}};

inline constexpr const char* kMaxChInitialText = "0";
inline constexpr const char* kBitRateInitialText = "     0";   // five blanks and 0
inline constexpr const char* kLuminanceInitialText = "    0";  // four blanks and 0
inline constexpr const char* kCecInitialText = "0000";

// Desired content luminance data (hdrStaticMetadata[2], [3], [4]).
inline constexpr std::array<EditRow, 3> kLuminanceEdits{{
    {"Edit_HDR_DCLD_1", "Max", kLuminanceInitialText, InputRule::Luminance, false},
    {"Edit_HDR_DCLD_2", "Avg", kLuminanceInitialText, InputRule::Luminance, false},
    {"Edit_HDR_DCLD_3", "Min", kLuminanceInitialText, InputRule::Luminance, false},
}};

inline constexpr EditRow kCecAddressRow{kCecAddressEdit, "CEC Address :", kCecInitialText,
                                        InputRule::CecAddress, true};

// Every edit of the sub-pages with its rule: the six descriptor edits, the eight MaxCH edits,
// the three BitRate edits, the three luminance edits and the CEC address.
inline constexpr std::array<EditRow, 21> kCreatorEdits{{
    kDescriptorEdits[0],
    kDescriptorEdits[1],
    kDescriptorEdits[2],
    kDescriptorEdits[3],
    kDescriptorEdits[4],
    kDescriptorEdits[5],
    {kLpcmMaxChEdit, "MaxCH", kMaxChInitialText, InputRule::MaxChannels, false},
    {"Edit_AudioAC3_MaxCh", "MaxCH", kMaxChInitialText, InputRule::MaxChannels, false},
    {"Edit_AudioEAC3_MaxCh", "MaxCH", kMaxChInitialText, InputRule::MaxChannels, false},
    {"Edit_AudioMAT_MaxCh", "MaxCH", kMaxChInitialText, InputRule::MaxChannels, false},
    {"Edit_AudioDTS_MaxCh", "MaxCH", kMaxChInitialText, InputRule::MaxChannels, false},
    {"Edit_AudioDTSHD_MaxCh", "MaxCH", kMaxChInitialText, InputRule::MaxChannels, false},
    {"Edit_AudioAAC_MaxCh", "MaxCH", kMaxChInitialText, InputRule::MaxChannels, false},
    {"Edit_AudioOBA_MaxCh", "MaxCH", kMaxChInitialText, InputRule::MaxChannels, false},
    {"Edit_AudioAC3_BitRate", "BitRate", kBitRateInitialText, InputRule::None, false},
    {"Edit_AudioDTS_BitRate", "BitRate", kBitRateInitialText, InputRule::None, false},
    {"Edit_AudioAAC_BitRate", "BitRate", kBitRateInitialText, InputRule::None, false},
    kLuminanceEdits[0],
    kLuminanceEdits[1],
    kLuminanceEdits[2],
    kCecAddressRow,
}};

// "Others" page: the 3D box.
inline constexpr const char* k3dPresentBox = "CheckBox_3D_Present";

}  // namespace varnok
