#include "edid/DisplayEdids.h"

#include <QDir>
#include <algorithm>

#include "edid/Edid.h"
#include "edid/WindowsDisplayEdids.h"

namespace varnok {
namespace {

// 256 blocks of 128 bytes: the most an EDID can have (the extension count is one byte).
constexpr qint64 kMaxEdidBytes = 256 * kBlockSize;

DisplayEdid FromBytes(const QString& connector, const char* bytes, qsizetype size) {
    DisplayEdid display;
    display.connector = connector;
    display.size = int(size);
    display.image.fill(0xFF);
    std::copy_n(bytes, std::min<qsizetype>(size, kEdidSize), display.image.begin());
    std::array<char, 14> name{};
    if (FindMonitorName(display.image, name)) {
        display.monitorName = QString::fromLatin1(name.data()).trimmed();
    }
    return display;
}

}  // namespace

QList<DisplayEdid> ReadDrmDisplayEdids(const QString& drmDir) {
    QList<DisplayEdid> displays;
    const QDir dir(drmDir);
    // The connectors are symbolic links to folders in sysfs; QDir::Dirs lists them too.
    for (const QString& entry : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        QByteArray bytes;
        if (!ReadRegularFile(dir.filePath(entry + QStringLiteral("/edid")), kMaxEdidBytes, bytes) ||
            bytes.isEmpty()) {
            continue;
        }
        displays.append(FromBytes(entry, bytes.constData(), bytes.size()));
    }
    return displays;
}

QList<DisplayEdid> ListDisplayEdids() {
    const QString drmDir = qEnvironmentVariable(kDrmDirVariable);
    if (!drmDir.isEmpty()) return ReadDrmDisplayEdids(drmDir);
#ifdef _WIN32
    QList<DisplayEdid> displays;
    for (const RegistryDisplayEdid& d : ReadRegistryDisplayEdids()) {
        displays.append(FromBytes(QString::fromStdWString(d.model + L"\\" + d.instance),
                                  reinterpret_cast<const char*>(d.bytes.data()),
                                  qsizetype(d.bytes.size())));
    }
    std::sort(displays.begin(), displays.end(),
              [](const DisplayEdid& a, const DisplayEdid& b) { return a.connector < b.connector; });
    return displays;
#else
    return ReadDrmDisplayEdids(QStringLiteral("/sys/class/drm"));
#endif
}

}  // namespace varnok
