#include "firmware/FirmwareImage.h"

#include <QFileInfo>

namespace varnok {

bool FirmwareImageFile::open(const QString& path) {
    close();
    // Only a regular file is an image: opening a FIFO would wait for a writer that never comes.
    if (path.isEmpty() || !QFileInfo(path).isFile()) return false;
    file_.setFileName(path);
    if (!file_.open(QIODevice::ReadOnly)) return false;
    size_ = file_.size();
    return true;
}

void FirmwareImageFile::close() {
    if (file_.isOpen()) file_.close();
    size_ = 0;
}

QByteArray FirmwareImageFile::read(qint64 offset, int length) {
    QByteArray out(length, char(0xFF));
    if (!file_.isOpen() || offset < 0 || length <= 0) return out;
    // A file that shrank since it was opened reads short, and the rest stays erased.
    if (offset >= size_ || (file_.pos() != offset && !file_.seek(offset))) return out;
    const qint64 got = file_.read(out.data(), length);
    if (got < length) {
        // A short read leaves the rest erased; a failed read (-1) leaves the whole block erased.
        std::fill(out.begin() + std::max<qint64>(got, 0), out.end(), char(0xFF));
    }
    return out;
}

bool FirmwareVersionFromTag(const QByteArray& sixteen, QString* version) {
    static const QByteArray tag("FW Ver:");
    if (sixteen.size() < 12 || !sixteen.startsWith(tag)) return false;
    // Offset 0x1017 (the byte after the colon) is not part of the version.
    const char chars[6] = {'v', sixteen[8], '.', sixteen[9], sixteen[10], sixteen[11]};
    QString text;
    for (char c : chars) {
        if (c == '\0') break;
        text += QChar::fromLatin1(c);
    }
    *version = text;
    return true;
}

FirmwareCheckResult CheckFirmwareImage(const QString& path, uint8_t ispVariant) {
    FirmwareCheckResult check{FirmwareCheck::OpenFailed, {}, {}};
    FirmwareImageFile file;
    if (!file.open(path)) return check;
    if (ispVariant != 0) {
        check.outcome = FirmwareCheck::Untagged;
        return check;
    }
    const QByteArray sixteen = file.read(kFwTagOffset, 16);
    check.outcome = FirmwareVersionFromTag(sixteen, &check.data) ? FirmwareCheck::Tagged
                                                                 : FirmwareCheck::Illegal;
    return check;
}

}  // namespace varnok
