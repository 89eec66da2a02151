// Decode and report of any bytes read as an EDID file.

#include <cstring>
#include <string>

#include "edid/DefaultEdid.h"
#include "edid/Edid.h"
#include "edid/EdidCompare.h"
#include "edid/EdidLayout.h"
#include "edid/EdidReport.h"
#include "edid/EdidValidity.h"
#include "fuzz/FuzzEntries.h"
#include "fuzz/FuzzSupport.h"
#include "fuzz/RecordCompare.h"

namespace varnok::fuzz {
namespace {

constexpr uint8_t kTags[] = {0x20, 0x40, 0x60, 0x80, 0xE0};

template <std::size_t N>
bool Terminated(const std::array<char, N>& field) {
    return field[N - 1] == 0;
}

// Every block the walk finds lies in the data block collection, and the walk ends.
void CheckWalk(const EdidImage& image) {
    const int end = std::min(kBlockSize + image[130], kEdidSize);
    for (uint8_t tag : kTags) {
        int position = 132;
        int found = 0;
        while (FindDataBlock(image, tag, position)) {
            FuzzRequire(image[126] != 0, "a data block found without an extension");
            FuzzRequire(position >= 132 && position < end, "data block outside its collection");
            FuzzRequire((image[position] & 0xE0) == tag, "data block of another tag");
            FuzzRequire(++found <= 124, "data-block walk does not end");
            position += (image[position] & 0x1F) + 1;
        }
    }
}

void CheckReport(const EdidInfo& info, bool valid) {
    const EdidReport report = MakeEdidReport(info);
    if (!valid) {
        FuzzRequire(report.value(EdidReportRow::EdidHeader) == QLatin1String("Illegal"),
                    "invalid image not reported Illegal");
        for (int row = 1; row < kEdidReportRowCount; ++row)
            FuzzRequire(report.values[row] == QLatin1String("-"), "invalid image row not \"-\"");
        FuzzRequire(!report.audioTwoLines, "audio row wraps for an invalid image");
        return;
    }
    FuzzRequire(report.value(EdidReportRow::EdidHeader) == QLatin1String("Good") &&
                    report.value(EdidReportRow::EdidChecksum) == QLatin1String("Good"),
                "valid image not reported Good");
    FuzzRequire(report.value(EdidReportRow::ManufacturerName).size() <= 3,
                "manufacturer longer than three letters");
    FuzzRequire(report.value(EdidReportRow::MonitorName).size() <= 13,
                "monitor name longer than 13 characters");
    for (int row = 0; row < kEdidReportRowCount; ++row) {
        if (row == int(EdidReportRow::AudioFormats)) continue;
        FuzzRequire(!report.values[row].isEmpty() || row == int(EdidReportRow::ManufacturerName) ||
                        row == int(EdidReportRow::MaxResolution),
                    "empty report row");
    }
    const QString& audio = report.value(EdidReportRow::AudioFormats);
    FuzzRequire(report.audioTwoLines == audio.contains(QLatin1String("\r\n")),
                "audio row wrap flag disagrees with its text");
    FuzzRequire(audio.count(QLatin1String("\r\n")) <= 1, "audio row wraps twice");
    const int depth = info.maxColorDepth;
    FuzzRequire(depth == 8 || depth == 10 || depth == 12 || depth == 16, "odd colour depth");
    FuzzRequire(info.hdmi3dLength <= info.hdmi3dData.size(), "3D length beyond its field");
}

// The validity in words agrees with validation: every failed check named, the refusal's reason
// among them, and the sentence led by the device's own words.
void CheckValidity(const EdidImage& image, const EdidInfo& decoded, bool valid) {
    const EdidValidity v = DescribeEdidValidity(image);
    FuzzRequire(v.valid == valid && v.reason == (decoded.status & kReasonBits),
                "validity in words disagrees with validation");
    FuzzRequire((v.failed == 0) == valid && (v.reason & ~v.failed) == 0,
                "failed checks disagree with the verdict");
    FuzzRequire(v.problems.isEmpty() == valid, "problems listed for a valid image, or none");
    FuzzRequire(v.sentence.startsWith(valid ? QStringLiteral("Valid EDID")
                                            : ValidationMessage(v.reason) + u' '),
                "validity sentence not led by the device's words");
}

// The layout covers the image exactly, in order, every range named; the checksum bytes are
// their own ranges, flagged exactly when wrong.
void CheckLayout(const EdidImage& image) {
    const QList<EdidByteRange> layout = EdidByteLayout(image);
    int next = 0;
    for (const EdidByteRange& r : layout) {
        FuzzRequire(r.first == next && r.length >= 1, "layout ranges not contiguous");
        FuzzRequire(!r.name.isEmpty(), "unnamed layout range");
        next += r.length;
        FuzzRequire(next <= kEdidSize, "layout range outside the image");
        if (r.kind == EdidRangeKind::Checksum) {
            FuzzRequire(r.length == 1 && (r.first == 127 || r.first == 255),
                        "checksum range elsewhere than bytes 127 and 255");
            EdidImage fixed = image;
            SetBlockChecksum(fixed, r.first / kBlockSize);
            FuzzRequire(r.bad == (fixed[r.first] != image[r.first]), "checksum flag wrong");
        }
    }
    FuzzRequire(next == kEdidSize, "layout does not reach the image's end");
}

void CheckCompare(const EdidImage& image, const EdidReport& report) {
    const EdidComparison same = CompareEdids(image, image);
    FuzzRequire(same.identical() && same.differingRows() == 0, "an image differs from itself");
    const EdidImage& other = DefaultEdidImage();
    const EdidComparison c = CompareEdids(image, other);
    int differing = 0;
    for (int i = 0; i < kEdidSize; ++i) differing += image[i] != other[i];
    FuzzRequire(c.bytes.size() == differing, "compare lists another number of bytes");
    for (const EdidByteDifference& d : c.bytes) {
        FuzzRequire(d.a == image[d.offset] && d.b == other[d.offset] && d.a != d.b,
                    "compare lists a byte that does not differ");
    }
    FuzzRequire(c.a.values == report.values, "compare's rows are not the analyzer's");
}

}  // namespace

int FuzzDecodeReport(const uint8_t* data, size_t size) {
    // As a file read: bytes past the end are 0xFF, bytes past 256 are ignored.
    EdidImage bytes;
    bytes.fill(0xFF);
    std::memcpy(bytes.data(), data, std::min<size_t>(size, kEdidSize));

    EdidInfo fresh;
    const bool valid = DecodeEdid(fresh, bytes.data());
    FuzzRequire(fresh.image == bytes, "decoded record holds other bytes than the source");

    EdidInfo judged;
    judged.image = bytes;
    FuzzRequire(ValidateEdidImage(judged) == valid, "decode and validation disagree");
    FuzzRequire((judged.status & kReasonBits) == (fresh.status & kReasonBits),
                "decode and validation set different reasons");
    const EdidStatus reasons = fresh.status & kReasonBits;
    FuzzRequire(valid == (reasons == 0), "result and reason bits disagree");
    FuzzRequire((reasons & (reasons - 1)) == 0, "more than one reason bit");

    FuzzRequire(Terminated(fresh.manufacturer) && Terminated(fresh.monitorName) &&
                    Terminated(fresh.maxResolutionName),
                "text field without its terminating zero");
    CheckWalk(bytes);
    CheckReport(fresh, valid);
    CheckValidity(bytes, fresh, valid);
    CheckLayout(bytes);
    CheckCompare(bytes, MakeEdidReport(fresh));

    // A record that held another image first: decoding in place must leave nothing of the old
    // image behind (the creator would write it into the next EDID it builds).
    EdidInfo reused;
    DecodeEdid(reused, DefaultEdidImage().data());
    reused.image = bytes;
    const bool validAgain = DecodeEdid(reused, reused.image.data());
    FuzzRequire(validAgain == valid, "decode in place gives another result");
    if (valid) {
        if (const char* field = FirstDifferentField(reused, fresh, SkipColorimetryFlags2)) {
            const std::string what = std::string("field kept from the previous image: ") + field;
            FuzzFail(what.c_str());
        }
    }
    return 0;
}

}  // namespace varnok::fuzz
