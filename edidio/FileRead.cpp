#include "edidio/FileRead.h"

#include <QFileInfo>
#include <algorithm>

namespace varnok {

Result<ReadOutcome> OpenRegularFile(QFile& file, const QString& path) {
    // Judged before the open: opening a FIFO would wait for a writer, and the window with it.
    const QFileInfo info(path);
    if (!info.isFile()) {
        const QString reason = !info.exists() ? QStringLiteral("No such file or directory")
                               : info.isDir() ? QStringLiteral("Is a directory")
                                              : QStringLiteral("Not a regular file");
        return {ReadOutcome::OpenFailed, reason};
    }
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        const QString reason = file.errorString();
        return {ReadOutcome::OpenFailed,
                reason.isEmpty() ? QStringLiteral("Unknown error") : reason};
    }
    return {ReadOutcome::Read, {}};
}

QByteArray ReadAtMost(QIODevice& in, qint64 maxBytes) {
    QByteArray bytes;
    bytes.resize(maxBytes);
    qint64 got = 0;
    while (got < maxBytes) {
        const qint64 n = in.read(bytes.data() + got, maxBytes - got);
        if (n <= 0) break;  // the end, or a read error: what was read so far stands
        got += n;
    }
    bytes.truncate(got);
    return bytes;
}

Result<ReadOutcome, QByteArray> ReadRegularFile(const QString& path, qint64 maxBytes) {
    QFile file;
    const Result<ReadOutcome> opened = OpenRegularFile(file, path);
    if (!opened.is(ReadOutcome::Read)) return {opened.outcome, opened.reason, {}};
    return {ReadOutcome::Read, {}, ReadAtMost(file, maxBytes)};
}

EdidImage ReadEdidImage(QIODevice& in) {
    const QByteArray bytes = ReadAtMost(in, kEdidSize);
    EdidImage image;
    image.fill(0xFF);
    std::copy(bytes.begin(), bytes.end(), image.begin());
    return image;
}

Result<ReadOutcome, EdidImage> ReadEdidFile(const QString& path) {
    QFile file;
    const Result<ReadOutcome> opened = OpenRegularFile(file, path);
    if (!opened.is(ReadOutcome::Read)) return {opened.outcome, opened.reason, {}};
    return {ReadOutcome::Read, {}, ReadEdidImage(file)};
}

}  // namespace varnok
