#pragma once
// The analyzer's fourteen report rows as texts: what each value label shows for a decoded EDID,
// so the page only copies texts into its labels.

#include <QString>
#include <array>

#include "edid/EdidInfo.h"

namespace varnok {

enum class EdidReportRow : int {
    EdidHeader,
    EdidChecksum,
    ManufacturerName,
    MonitorName,
    MaxResolution,
    MaxColorDepth,
    Support3D,
    SupportYuv420,
    SupportScdc,
    Support600MHz,
    SupportHdr,
    AudioFormats,
    AudioChannel,
    CecAddress,
};
constexpr int kEdidReportRowCount = 14;

// Row caption, with its leading blanks as the page shows it, top to bottom.
struct EdidReportRowInfo {
    const char* caption;
};
extern const std::array<EdidReportRowInfo, kEdidReportRowCount> kEdidReportRows;

// Audio tokens in the order they are added, by AudioFormatFlags bit.
struct AudioToken {
    AudioFormatFlags flag;
    const char* text;
};
extern const std::array<AudioToken, 9> kAudioTokens;

struct EdidReport {
    std::array<QString, kEdidReportRowCount> values;  // in row order
    bool audioTwoLines = false;  // the audio row holds a "\r\n" and needs two lines

    const QString& value(EdidReportRow row) const { return values[static_cast<int>(row)]; }
};

// Texts for an EdidInfo that DecodeEdid has filled. A failed validation (a reason bit in
// status) gives "Illegal" and thirteen "-".
EdidReport MakeEdidReport(const EdidInfo& info);
// DecodeEdid of a copy of image, then MakeEdidReport.
EdidReport ReportEdidImage(const EdidImage& image);

// A row's caption without its leading blanks: "EDID Header :".
QString EdidReportCaption(int row);
// A value on one line of text output: a wrapped audio list keeps its break as the four
// characters \r\n, and every other control character is shown as ShowControlCharacters shows it.
QString EscapedReportValue(QString value);
// One row as a line of text output: caption, a tab, the escaped value.
QString EdidReportLine(const EdidReport& report, int row);

// Adds one token to the audio row. Before the first token that would follow more than 30
// characters the row wraps, once: "\r\n" is appended and twoLines becomes true.
void AppendAudioToken(QString& label, bool& twoLines, const QString& token);

}  // namespace varnok
