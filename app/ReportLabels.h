#pragma once
// The analyzer's fourteen report rows as widgets: each value label's objectName, top to bottom
// (the order of EdidReportRow), and the audio row's panel, which grows from one line to two when
// the format list wraps.

#include <array>

#include "edid/EdidReport.h"

namespace varnok {

inline constexpr std::array<const char*, kEdidReportRowCount> kReportLabelNames = {
    "Label_Edid_Header",    "Label_Edid_Checksum",  "Label_Manufac_Name", "Label_Monitor_Name",
    "Label_Max_Resolution", "Label_Max_ColorDepth", "Label_Support_3D",   "Label_Support_YUV420",
    "Label_Support_SCDC",   "Label_Support_600MHz", "Label_Support_HDR",  "Label_Audio_Formats",
    "Label_Audio_Channel",  "Label_CEC_Address",
};

inline constexpr char kAudioFormatsPanelName[] = "Panel10";
// Pixel heights of the audio row for one and two lines in the window's 8 pt font; a font with
// other metrics takes the heights that show them.
constexpr int kAudioRowOneLineHeight = 23;
constexpr int kAudioRowTwoLinesHeight = 38;

}  // namespace varnok
