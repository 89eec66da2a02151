#pragma once
// Whole-file reads and writes for the tests that check what landed on disk.

#include <QByteArray>
#include <QFile>
#include <QString>

namespace varnok {

// "<missing>" cannot be mistaken for a file's bytes in a comparison's output.
inline QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

inline bool WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.flush();
}

}  // namespace varnok
