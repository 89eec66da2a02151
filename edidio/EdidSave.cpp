#include "edidio/EdidSave.h"

#include <QFileInfo>
#include <QSaveFile>

namespace varnok {
namespace {

// A file name has at most 255 bytes on the common file systems, and the temporary file beside
// the target takes the target's name plus ".XXXXXX". A longer name would fail only when the
// temporary file is renamed, and with no words for why.
constexpr int kNameMax = 255;
constexpr int kTemporarySuffix = 7;

QString Words(const QString& text) {
    return text.isEmpty() ? QStringLiteral("Unknown error") : text;
}

SaveResult OpenSave(QSaveFile& file) {
    if (file.fileName().isEmpty()) return {SaveOutcome::OpenFailed, QStringLiteral("No file name")};
    if (QFile::encodeName(QFileInfo(file.fileName()).fileName()).size() >
        kNameMax - kTemporarySuffix)
        return {SaveOutcome::OpenFailed, QStringLiteral("File name too long")};
    if (!file.open(QIODevice::WriteOnly))
        return {SaveOutcome::OpenFailed, Words(file.errorString())};
    return {SaveOutcome::Saved, {}};
}

}  // namespace

SaveResult WriteEdidBytes(QIODevice& out, const QByteArray& bytes) {
    const qint64 written = out.write(bytes);
    bool flushed = true;
    // QSaveFile buffers the bytes, and on a full disk the buffered write fails only inside
    // commit(), which would still put the empty temporary file in the target's place. Flushing
    // first brings any such failure out here, where the save can still be cancelled.
    if (auto* file = qobject_cast<QFileDevice*>(&out))
        flushed = file->flush() && file->error() == QFileDevice::NoError;
    if (written != bytes.size() || !flushed)
        return {SaveOutcome::WriteFailed, Words(out.errorString())};
    if (!out.isSequential() && out.size() != bytes.size())
        return {SaveOutcome::WriteFailed,
                QStringLiteral("Only %1 of %2 bytes written").arg(out.size()).arg(bytes.size())};
    return {SaveOutcome::Saved, {}};
}

SaveResult SaveEdidFile(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (SaveResult opened = OpenSave(file); !opened.is(SaveOutcome::Saved)) return opened;
    if (SaveResult written = WriteEdidBytes(file, bytes); !written.is(SaveOutcome::Saved)) {
        file.cancelWriting();
        return written;
    }
    // The temporary file gets its name only now (Linux creates it unnamed); a target name too
    // long for the temporary name beside it fails here, with the target untouched.
    if (!file.commit()) return {SaveOutcome::WriteFailed, Words(file.errorString())};
    return {SaveOutcome::Saved, {}};
}

SaveResult SaveEdidFile(const QString& path, const EdidImage& image) {
    return SaveEdidFile(path, EdidImageBytes(image));
}

SaveResult CheckEdidTarget(const QString& path) {
    QSaveFile file(path);
    SaveResult opened = OpenSave(file);
    if (opened.is(SaveOutcome::Saved)) file.cancelWriting();
    return opened;
}

}  // namespace varnok
