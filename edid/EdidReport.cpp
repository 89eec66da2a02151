#include "edid/EdidReport.h"

#include <QByteArray>

#include "edid/ControlCharacters.h"
#include "edid/Edid.h"

namespace varnok {

const std::array<EdidReportRowInfo, kEdidReportRowCount> kEdidReportRows = {{
    {"    EDID Header :"},
    {"    EDID Checksum :"},
    {"    Manufacturer Name :"},
    {"    Monitor Name :"},
    {"    Max Resolution :"},
    {"    Max Color Depth :"},
    {"    Support 3D :"},
    {"    Support YUV420 :"},
    {"    Support SCDC :"},
    {"    Support 600MHz :"},
    {"    Support HDR :"},
    {"    Audio Formats :"},
    {"    Audio Max Channel :"},
    {"    CEC Address :"},
}};

const std::array<AudioToken, 9> kAudioTokens = {{
    {AudioLpcm2ch, "2PCM,"},
    {AudioLpcmMulti, "MPCM,"},
    {AudioAc3, "DolbyD,"},
    {AudioEac3, "DolbyD+,"},
    {AudioMat, "DolbyHD,"},
    {AudioDts, "DTS,"},
    {AudioDtsHd, "DTSHD,"},
    {AudioAac, "AAC,"},
    {AudioOneBit, "OBA,"},
}};

namespace {

constexpr int kAudioWrapAfter = 30;

// A 0-terminated text field of the record, byte for character, as "%s" shows it.
template <std::size_t N>
QString FieldText(const std::array<char, N>& field) {
    return QString::fromLatin1(field.data(), static_cast<qsizetype>(qstrnlen(field.data(), N)));
}

QString YesNo(bool yes) {
    return yes ? QStringLiteral("Yes") : QStringLiteral("No");
}

QString HdrText(uint8_t yuv420DeepColor) {
    if (yuv420DeepColor == 0) {
        return QStringLiteral("No");
    }
    QString text;
    if (yuv420DeepColor & 1) {
        text += QStringLiteral("10bit,");
    }
    if (yuv420DeepColor & 2) {
        text += QStringLiteral("12bit,");
    }
    if (yuv420DeepColor & 4) {
        text += QStringLiteral("16bit,");
    }
    return text;
}

}  // namespace

void AppendAudioToken(QString& label, bool& twoLines, const QString& token) {
    if (!twoLines && label.size() > kAudioWrapAfter) {
        label += QStringLiteral("\r\n");
        twoLines = true;
    }
    label += token;
}

EdidReport MakeEdidReport(const EdidInfo& info) {
    EdidReport report;
    auto set = [&report](EdidReportRow row, const QString& text) {
        report.values[static_cast<int>(row)] = text;
    };
    if (info.status & kReasonBits) {
        report.values.fill(QStringLiteral("-"));
        set(EdidReportRow::EdidHeader, QStringLiteral("Illegal"));
        return report;
    }
    set(EdidReportRow::EdidHeader, QStringLiteral("Good"));
    set(EdidReportRow::EdidChecksum, QStringLiteral("Good"));
    set(EdidReportRow::ManufacturerName, FieldText(info.manufacturer));
    // A name descriptor whose text starts with 0x0A leaves an empty name.
    set(EdidReportRow::MonitorName,
        info.monitorName[0] != 0 ? FieldText(info.monitorName) : QStringLiteral("-"));
    set(EdidReportRow::MaxResolution, FieldText(info.maxResolutionName));
    set(EdidReportRow::MaxColorDepth, QStringLiteral("%1bit").arg(int{info.maxColorDepth}));
    set(EdidReportRow::Support3D, YesNo(info.features & Has3D));
    set(EdidReportRow::SupportYuv420, YesNo(info.yuv420Supported));
    set(EdidReportRow::SupportScdc, YesNo(info.scdcPresent));
    set(EdidReportRow::Support600MHz, YesNo(info.supports600MHz));
    set(EdidReportRow::SupportHdr, HdrText(info.yuv420DeepColor));
    QString audio;
    for (const AudioToken& token : kAudioTokens) {
        if (info.audioFormats & token.flag) {
            AppendAudioToken(audio, report.audioTwoLines, QString::fromLatin1(token.text));
        }
    }
    set(EdidReportRow::AudioFormats, audio);
    set(EdidReportRow::AudioChannel, QStringLiteral("%1CH").arg(int{info.maxAudioChannels}));
    set(EdidReportRow::CecAddress,
        QString::asprintf("%02X%02X", unsigned{info.cecAddress[0]}, unsigned{info.cecAddress[1]}));
    return report;
}

EdidReport ReportEdidImage(const EdidImage& image) {
    EdidInfo info;
    DecodeEdid(info, image.data());
    return MakeEdidReport(info);
}

QString EdidReportCaption(int row) {
    return QString::fromLatin1(kEdidReportRows[row].caption).trimmed();
}

QString EscapedReportValue(QString value) {
    // The audio row's break, then whatever else the EDID's text holds (a monitor name may hold
    // ESC or a tab), so that no row steers a terminal or splits its columns.
    return ShowControlCharacters(value.replace(QStringLiteral("\r\n"), QStringLiteral("\\r\\n")));
}

QString EdidReportLine(const EdidReport& report, int row) {
    return EdidReportCaption(row) + QLatin1Char('\t') + EscapedReportValue(report.values[row]);
}

}  // namespace varnok
