// Loading an EDID into the creator's controls: the built-in default ("Brand New") or a .bin file
// ("Bin Modifiy"). The image is decoded in place and each control is set from the record; every
// set runs the control's reactions, so the input rules judge the loaded texts and each left-hand
// speaker box carries its right-hand partner along.

#include <QCheckBox>
#include <QLineEdit>
#include <QTabWidget>

#include "creator/pages/CreatorControls.h"
#include "creator/pages/CreatorPages.h"
#include "edid/DefaultEdid.h"
#include "edid/Edid.h"
#include "edidio/FileRead.h"

namespace varnok {
namespace {

QString CString(const char* bytes, std::size_t capacity) {
    return QString::fromLatin1(bytes, qsizetype(qstrnlen(bytes, capacity)));
}

// A short audio descriptor's bit rate (byte 2 x 8 kbit/s) as the BitRate edit shows it.
QString BitRateText(uint8_t byte2) {
    const int v = byte2 * 8;
    return (v >= 1000 ? QStringLiteral(" ") : QStringLiteral("  ")) + QString::number(v);
}

// A luminance code right-aligned in five characters: "    0", "   50", "  120".
QString LuminanceText(uint8_t value) {
    return QStringLiteral("%1").arg(value, 5);
}

}  // namespace

void CreatorPages::RadioButton_Brand_NewMouseDown() {
    image_.status |= BrandNew;
    image_.image = DefaultEdidImage();
    LoadEdidIntoCreator(image_);
    if (hooks_.loaded) hooks_.loaded({CreatorLoad::Default, {}});
}

bool CreatorPages::RadioButton_Bin_ModifiyMouseDown() {
    CreatorLoad load{CreatorLoad::Cancelled, {}};
    {
        // Ends on every path, also when a load raises an error: the device still hears it.
        const std::shared_ptr<void> operation =
            hooks_.beginFileOperation ? hooks_.beginFileOperation() : nullptr;
        const std::optional<QString> path =
            hooks_.chooseEdidFile ? hooks_.chooseEdidFile() : std::nullopt;
        if (path) {
            load.path = *path;
            const Result<ReadOutcome, EdidImage> read = ReadEdidFile(*path);
            if (!read.is(ReadOutcome::Read)) {
                load.kind = CreatorLoad::FileFailed;
                if (hooks_.replaceLog) hooks_.replaceLog(QStringLiteral("Edid Open Fail.\r\n"));
            } else {
                load.kind = CreatorLoad::File;
                if (hooks_.replaceLog) hooks_.replaceLog(QStringLiteral("Edid Open OK.\r\n"));
                LoadEdidBytes(read.data);
            }
        }
    }
    if (hooks_.loaded) hooks_.loaded(load);
    return load.kind == CreatorLoad::File;
}

void CreatorPages::LoadEdidBytes(const EdidImage& bytes) {
    image_.status &= static_cast<EdidStatus>(~BrandNew);
    image_.image = bytes;
    LoadEdidIntoCreator(image_);
}

void CreatorPages::LoadEdidIntoCreator(EdidInfo& info) {
    DecodeEdid(info, info.image.data());
    if (info.status & kReasonBits) {
        resetForInvalidImage();
        return;
    }
    loadDescriptor(info);
    loadPcTiming(info);
    loadColor(info);
    loadVideo(info);
    loadHdrAnd3d(info);
    loadAudio(info);
    loadSpeakers(info);
}

void CreatorPages::loadDescriptor(const EdidInfo& info) {
    setText(kManufacturerEdit, CString(info.manufacturer.data(), info.manufacturer.size()));
    const QString name = CString(info.monitorName.data(), info.monitorName.size());
    setText("Edit_Creator_Monitor_Name", name.isEmpty() ? QStringLiteral("-") : name);
    setText("Edit_Creator_Product_Code", QString::number(info.productCode));
    setText("Edit_Creator_Serial_Number", QString::number(info.serialNumber));
    if (info.status & BrandNew) {
        const QDate today = hooks_.today ? hooks_.today() : QDate::currentDate();
        setText("Edit_Creator_Manufac_Year", QString::number(today.year()));
        setText("Edit_Creator_Manufac_Week", QString::number(today.weekNumber()));
    } else {
        setText("Edit_Creator_Manufac_Year", QString::number(info.manufactureYear + 1990));
        setText("Edit_Creator_Manufac_Week", QString::number(info.manufactureWeek));
    }
}

void CreatorPages::loadPcTiming(const EdidInfo& info) {
    for (const BoxRow& row : kEstablishTimingBoxes) {
        setChecked(ControlName(row), (info.establishedTimings & row.mask) != 0);
    }
    for (const BoxRow& row : kStandardTimingBoxes) setChecked(ControlName(row), false);
    for (uint16_t code : info.standardTimings) {
        for (const BoxRow& row : kStandardTimingBoxes) {
            if (code == row.mask) setChecked(ControlName(row), true);
        }
    }
}

void CreatorPages::loadColor(const EdidInfo& info) {
    for (const BoxRow& row : kColorSpaceBoxes) {
        const bool on = row.mask ? (info.ceaFlags & row.mask) != 0 : info.yuv420Supported == 1;
        setChecked(ControlName(row), on);
    }
    for (const BoxRow& row : kColorDepthBoxes) {
        setChecked(ControlName(row), (info.hdmiDeepColor & row.mask) != 0);
    }
    for (const BoxRow& row : kColorimetryBoxes) {
        setChecked(ControlName(row), (info.colorimetry[0] & row.mask) != 0);
    }
}

void CreatorPages::loadVideo(const EdidInfo& info) {
    auto listed = [](const auto& list, uint32_t vic) {
        for (uint8_t v : list) {
            if (v == vic) return true;
        }
        return false;
    };
    for (const BoxRow& row : kVideoIdCodeBoxes) {
        setChecked(ControlName(row), listed(info.vicList, row.mask));
    }
    for (const BoxRow& row : kYuv420VdbBoxes) {
        setChecked(ControlName(row), listed(info.yuv420Vics, row.mask));
    }
    // An HDMI_VIC shows as the CTA VIC of the same 3840 x 2160 format.
    for (uint8_t code : info.hdmiVics) {
        if (const int vic = VicBoxForHdmiVic(code)) {
            setChecked(ControlName(kVideoIdCodePrefix, vic), true);
        }
    }
}

void CreatorPages::loadHdrAnd3d(const EdidInfo& info) {
    setChecked(QLatin1String(k3dPresentBox), (info.features & Has3D) != 0);
    for (const BoxRow& row : kHdrDeepColorBoxes) {
        setChecked(ControlName(row), (info.yuv420DeepColor & row.mask) != 0);
    }
    for (const BoxRow& row : kHdrEotfBoxes) {
        setChecked(ControlName(row), (info.hdrStaticMetadata[0] & row.mask) != 0);
    }
    for (int k = 0; k < int(kLuminanceEdits.size()); ++k) {
        setText(kLuminanceEdits[k].name, LuminanceText(info.hdrStaticMetadata[2 + k]));
    }
    for (const BoxRow& row : kHdrDescriptorBoxes) {
        setChecked(ControlName(row), (info.hdrStaticMetadata[1] & row.mask) != 0);
    }
}

void CreatorPages::loadAudio(const EdidInfo& info) {
    // Reset every audio control first, so nothing of a previous image survives.
    for (int n = 1; n <= kAudioFormatBoxCount; ++n) {
        setChecked(ControlName(kAudioFormatPrefix, n), false);
    }
    setText(kLpcmMaxChEdit, QLatin1String(kMaxChInitialText));
    for (const RateRow& rate : kRateBoxes)
        setChecked(ControlName(kLpcmFreqPrefix, rate.number), false);
    for (const BoxRow& row : kLpcmSampleBitBoxes) setChecked(ControlName(row), false);
    for (const AudioPanelRow& format : kAudioPanels) {
        setText(format.maxChEdit, QLatin1String(kMaxChInitialText));
        if (format.bitRateEdit) setText(format.bitRateEdit, QLatin1String(kBitRateInitialText));
        for (const RateRow& rate : kRateBoxes) {
            setChecked(ControlName(format.freqPrefix, rate.number), false);
        }
        setChecked(QLatin1String(format.detailBox), false);
    }

    auto setRates = [this](const char* prefix, uint8_t byte1) {
        for (const RateRow& rate : kRateBoxes) {
            setChecked(ControlName(prefix, rate.number), (byte1 & rate.mask) != 0);
        }
    };
    // Each descriptor in slot order; a format found twice ends with its last descriptor.
    for (const auto& sad : info.sads) {
        const uint8_t code = (sad[0] >> 3) & 0x0F;
        const QString channels = QString::number((sad[0] & 7) + 1);
        if (code == kAudioCodeLpcm) {
            setText(kLpcmMaxChEdit, channels);
            // "Basic" is the 2-channel descriptor: checked only when the edit now reads "2".
            if (QLineEdit* maxCh = FindEdit(pages_, kLpcmMaxChEdit);
                maxCh && maxCh->text() == QLatin1String("2")) {
                setChecked(ControlName(kAudioFormatPrefix, kLpcmBasicBox), true);
            }
            setRates(kLpcmFreqPrefix, sad[1]);
            for (const BoxRow& row : kLpcmSampleBitBoxes) {
                setChecked(ControlName(row), (sad[2] & row.mask) != 0);
            }
            continue;
        }
        for (const AudioPanelRow& format : kAudioPanels) {
            if (format.formatCode != code) continue;
            setChecked(ControlName(kAudioFormatPrefix, format.yesBox), true);
            setText(format.maxChEdit, channels);
            if (format.bitRateEdit) setText(format.bitRateEdit, BitRateText(sad[2]));
            setRates(format.freqPrefix, sad[1]);
        }
    }
}

void CreatorPages::loadSpeakers(const EdidInfo& info) {
    // Only the left-hand boxes are set; each carries its right-hand partner along.
    for (const BoxRow& row : kSpeakerBoxes) {
        setChecked(ControlName(row), (info.speakerAllocation & row.mask) != 0);
    }
    setText(kCecAddressEdit, QStringLiteral("%1%2")
                                 .arg(info.cecAddress[0], 2, 16, QLatin1Char('0'))
                                 .arg(info.cecAddress[1], 2, 16, QLatin1Char('0'))
                                 .toUpper());
}

void CreatorPages::resetForInvalidImage() {
    const QString error = QStringLiteral("Error.");
    const QString zero = QStringLiteral("0");
    setText(kManufacturerEdit, error);
    setText("Edit_Creator_Monitor_Name", error);
    setText("Edit_Creator_Product_Code", zero);
    setText("Edit_Creator_Serial_Number", zero);
    setText("Edit_Creator_Manufac_Year", zero);
    setText("Edit_Creator_Manufac_Week", zero);
    setText(kCecAddressEdit, QLatin1String(kCecInitialText));

    auto uncheck = [this](const auto& rows) {
        for (const BoxRow& row : rows) setChecked(ControlName(row), false);
    };
    uncheck(kEstablishTimingBoxes);
    uncheck(kStandardTimingBoxes);
    uncheck(kColorSpaceBoxes);
    uncheck(kColorDepthBoxes);
    uncheck(kColorimetryBoxes);
    uncheck(kVideoIdCodeBoxes);
    uncheck(kYuv420VdbBoxes);

    setText(kLpcmMaxChEdit, zero);
    for (const RateRow& rate : kRateBoxes)
        setChecked(ControlName(kLpcmFreqPrefix, rate.number), false);
    uncheck(kLpcmSampleBitBoxes);
    uncheck(kSpeakerBoxes);
    for (int n = 1; n <= kAudioFormatBoxCount; ++n) {
        setChecked(ControlName(kAudioFormatPrefix, n), false);
    }
    for (const AudioPanelRow& format : kAudioPanels) {
        setText(format.maxChEdit, zero);
        if (format.bitRateEdit) setText(format.bitRateEdit, QLatin1String(kBitRateInitialText));
        for (const RateRow& rate : kRateBoxes) {
            setChecked(ControlName(format.freqPrefix, rate.number), false);
        }
    }
    setChecked(QLatin1String(k3dPresentBox), false);
    uncheck(kHdrDeepColorBoxes);
    uncheck(kHdrEotfBoxes);
    for (const EditRow& row : kLuminanceEdits)
        setText(row.name, QLatin1String(kLuminanceInitialText));
    uncheck(kHdrDescriptorBoxes);
}

}  // namespace varnok
