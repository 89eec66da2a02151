#include "edidio/DisplayEdids.h"

#include <QDir>
#include <algorithm>

#include "edid/Edid.h"
#include "edidio/FileRead.h"

namespace varnok {
namespace {

// 256 blocks of 128 bytes: the most an EDID can have (the extension count is one byte).
constexpr qint64 kMaxEdidBytes = 256 * kBlockSize;

}  // namespace

DisplayEdid MakeDisplayEdid(const QString& connector, const QByteArray& bytes) {
    DisplayEdid display;
    display.connector = connector;
    display.bytes = bytes;
    display.image.fill(0xFF);
    std::copy_n(bytes.constData(), std::min<qsizetype>(bytes.size(), kEdidSize),
                display.image.begin());
    std::array<char, 14> name{};
    if (FindMonitorName(display.image, name))
        display.monitorName = QString::fromLatin1(name.data()).trimmed();
    return display;
}

QString DisplayFileName(const QString& connector) {
    QString name = connector;
    for (QChar& c : name)
        if (!c.isLetterOrNumber() && c != u'-' && c != u'_') c = u'_';
    return name + QStringLiteral(".bin");
}

QList<DisplayEdid> ReadDrmDisplayEdids(const QString& drmDir) {
    QList<DisplayEdid> displays;
    const QDir dir(drmDir);
    // The connectors are symbolic links to folders in sysfs; QDir::Dirs lists them too.
    for (const QString& entry : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const auto read =
            ReadRegularFile(dir.filePath(entry + QStringLiteral("/edid")), kMaxEdidBytes);
        if (!read.is(ReadOutcome::Read) || read.data.isEmpty()) continue;
        displays.append(MakeDisplayEdid(entry, read.data));
    }
    return displays;
}

QList<DisplayEdid> ListDisplayEdids() {
    const QString drmDir = qEnvironmentVariable(kDrmDirVariable);
    if (!drmDir.isEmpty()) return ReadDrmDisplayEdids(drmDir);
    return SystemDisplayEdids();
}

}  // namespace varnok
