#pragma once
// Debian's edid-decode as the tests' oracle: its text for some bytes, and with --check its
// failures as "section: line" strings. Both are empty when it is not installed.

#include <QByteArray>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

namespace varnok {

struct Decoded {
    QString text;
    QSet<QString> failures;
};

inline Decoded EdidDecode(const QByteArray& bytes, bool check) {
    Decoded d;
    const QString tool = QStandardPaths::findExecutable("edid-decode");
    if (tool.isEmpty()) return d;
    QProcess p;
    p.start(tool, check ? QStringList{"--check"} : QStringList{});
    p.write(bytes);
    p.closeWriteChannel();
    p.waitForFinished(30000);
    d.text = QString::fromUtf8(p.readAllStandardOutput());
    const qsizetype at = d.text.indexOf("\nFailures:\n");
    QString section;
    for (const QString& line : d.text.mid(at < 0 ? d.text.size() : at).split('\n')) {
        if (line.startsWith("EDID conformity")) break;
        if (!line.startsWith(' ')) {
            section = line;
        } else {
            d.failures.insert(section + line);
        }
    }
    return d;
}

inline bool HaveEdidDecode() {
    return !QStandardPaths::findExecutable("edid-decode").isEmpty();
}

}  // namespace varnok
