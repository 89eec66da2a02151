#pragma once
// A firmware image file: a flat binary whose file offset is the image offset, with no header or
// trailer. Bytes past the end of the file read as 0xFF (erased flash), so a short file behaves as
// if padded with 0xFF. The image for an ISP-029 device carries no tag; the image for the other
// device kind carries the tag "FW Ver:" at 0x1010 and its version characters at 0x1018..0x101B.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdint>

#include "base/Result.h"

namespace varnok {

class FirmwareImageFile {
public:
    // Opens the file by name for binary reading; false when it can't be opened or is no regular
    // file (a directory, a FIFO, a device).
    bool open(const QString& path);
    void close();
    bool isOpen() const { return file_.isOpen(); }
    // The size the file had when opened (an update reads it block by block; asking the file
    // system each time costs a system call per block).
    qint64 size() const { return size_; }
    // `length` bytes from `offset`; whatever lies past the end of the file reads as 0xFF.
    QByteArray read(qint64 offset, int length);

private:
    QFile file_;
    qint64 size_ = 0;
};

// Where the version tag stands in an image for the tagged device kind.
constexpr qint64 kFwTagOffset = 0x1010;

struct FirmwareCheck {
    enum Outcome {
        OpenFailed,  // the file can't be opened
        Untagged,    // an ISP-029 device: any readable file is accepted, no version shown
        Illegal,     // "FW Ver:" missing at 0x1010
        Tagged,      // tag present; the data holds the version
    };
};
// The data: the version of a tagged image, "v" + 0x1018 + "." + 0x1019..0x101B, ending early at
// a zero byte ("v1.234").
using FirmwareCheckResult = Result<FirmwareCheck::Outcome, QString>;

// Opens the file, and for ispVariant 0 reads the 16 bytes at 0x1010 and checks the tag.
FirmwareCheckResult CheckFirmwareImage(const QString& path, uint8_t ispVariant);

// The version text built from the 16 bytes read at 0x1010, or nothing when the tag is missing.
bool FirmwareVersionFromTag(const QByteArray& sixteen, QString* version);

}  // namespace varnok
