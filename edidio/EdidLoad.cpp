#include "edidio/EdidLoad.h"

#include <algorithm>

#include "edidio/FileRead.h"

namespace varnok {
namespace {

constexpr qint64 kMaxEdidBytes = qint64(kMaxEdidBlocks) * kBlockSize;

// size: the bytes there are, when known; a read that stopped past the largest EDID without a
// stated size says "more than 1024".
LoadResult Judge(QByteArray bytes, qint64 size) {
    if (size == 0 || size > kMaxEdidBytes) {
        const QString count = size > kMaxEdidBytes && size <= bytes.size()
                                  ? QStringLiteral("More than %1").arg(kMaxEdidBytes)
                                  : QString::number(size);
        return {LoadOutcome::BadSize,
                QStringLiteral("%1 bytes: an EDID has 1 to %2 blocks of 128 bytes")
                    .arg(count)
                    .arg(kMaxEdidBlocks),
                {}};
    }
    if (size % kBlockSize != 0)
        return {LoadOutcome::BadSize,
                QStringLiteral("%1 bytes: an EDID is a multiple of 128 bytes").arg(size),
                {}};
    return {LoadOutcome::Loaded, {}, std::move(bytes)};
}

}  // namespace

LoadResult CheckEdidSize(const QByteArray& bytes) {
    return Judge(bytes, bytes.size());
}

LoadResult LoadEdid(QIODevice& in) {
    const QByteArray bytes = ReadAtMost(in, kMaxEdidBytes + 1);
    // A file too large to be an EDID is told by its stated size, when it has one (sysfs files
    // state 0, and are read to their real end).
    qint64 size = bytes.size();
    if (size > kMaxEdidBytes && !in.isSequential()) size = std::max(size, in.size());
    return Judge(bytes, size);
}

LoadResult LoadEdidFile(const QString& path) {
    QFile file;
    const Result<ReadOutcome> opened = OpenRegularFile(file, path);
    if (!opened.is(ReadOutcome::Read)) return {LoadOutcome::ReadFailed, opened.reason, {}};
    return LoadEdid(file);
}

Result<LoadOutcome, EdidImage> EdidImageOf(const LoadResult& loaded) {
    if (!loaded.is(LoadOutcome::Loaded)) return {loaded.outcome, loaded.reason, {}};
    const QByteArray& bytes = loaded.data;
    if (bytes.size() > kEdidSize)
        return {LoadOutcome::TooLarge,
                QStringLiteral("%1 bytes: only EDIDs of 128 or 256 bytes (a base block and at "
                               "most one extension) can be used here")
                    .arg(bytes.size()),
                {}};
    EdidImage image;
    image.fill(0xFF);
    std::copy(bytes.begin(), bytes.end(), image.begin());
    return {LoadOutcome::Loaded, {}, image};
}

}  // namespace varnok
