#include "edidio/DisplayEdids.h"

#include <QDir>
#include <QSet>
#include <algorithm>

#include "edid/Edid.h"
#include "edidio/FileRead.h"

namespace varnok {
namespace {

// 256 blocks of 128 bytes: the most an EDID can have (the extension count is one byte).
constexpr qint64 kMaxEdidBytes = 256 * kBlockSize;

void SortByConnector(QList<DisplayEdid>& displays) {
    std::stable_sort(displays.begin(), displays.end(),
                     [](const DisplayEdid& a, const DisplayEdid& b) {
                         return ConnectorLess(a.connector, b.connector);
                     });
}

}  // namespace

bool ConnectorLess(const QString& a, const QString& b) {
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            // Two numbers: leading zeros aside, the longer is larger, else the digits decide.
            const qsizetype si = i, sj = j;
            while (i < a.size() && a[i].isDigit()) ++i;
            while (j < b.size() && b[j].isDigit()) ++j;
            QStringView x = QStringView(a).sliced(si, i - si);
            QStringView y = QStringView(b).sliced(sj, j - sj);
            while (x.size() > 1 && x.front() == u'0') x = x.sliced(1);
            while (y.size() > 1 && y.front() == u'0') y = y.sliced(1);
            if (x.size() != y.size()) return x.size() < y.size();
            if (const int c = x.compare(y); c != 0) return c < 0;
            continue;
        }
        if (a[i] != b[j]) return a[i] < b[j];
        ++i;
        ++j;
    }
    if ((a.size() - i) != (b.size() - j)) return a.size() - i < b.size() - j;
    return a < b;  // equal but for leading zeros: a fixed order still
}

QStringList DisplayFileNames(const QList<DisplayEdid>& displays) {
    QStringList names;
    QSet<QString> taken;
    for (const DisplayEdid& d : displays) {
        const QString base = DisplayFileName(d.connector).chopped(4);
        QString name = base + QStringLiteral(".bin");
        for (int n = 2; taken.contains(name.toCaseFolded()); ++n)
            name = QStringLiteral("%1-%2.bin").arg(base).arg(n);
        taken.insert(name.toCaseFolded());
        names << name;
    }
    return names;
}

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
    SortByConnector(displays);
    return displays;
}

QList<DisplayEdid> ListDisplayEdids() {
    const QString drmDir = qEnvironmentVariable(kDrmDirVariable);
    if (!drmDir.isEmpty()) return ReadDrmDisplayEdids(drmDir);
    QList<DisplayEdid> displays = SystemDisplayEdids();
    SortByConnector(displays);
    return displays;
}

}  // namespace varnok
