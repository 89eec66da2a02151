#pragma once
// The bad files every reader of a user's file must survive: short and odd sizes, a 1 GiB sparse
// file, a directory, a file the user may not read and a path that is gone by the time it is
// opened, a symbolic link to itself (which no user can open) and a FIFO (whose open would wait
// for a writer). Each is made in a temporary
// directory; the state of the path is kept so that a test can show the reader left it as it was.

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace varnok::test {

enum class BadFile {
    Empty,
    Bytes1,
    Bytes127,
    Bytes128,
    Bytes255,
    Bytes257,
    Sparse1GiB,
    Directory,
    Unreadable,
    SymlinkLoop,  // cannot be opened, also by root (ELOOP)
    Fifo,         // opening it for reading would wait for a writer
    Vanished,
};

constexpr qint64 kOneGiB = qint64(1) << 30;

// What a path looked like: enough to tell whether a reader wrote to it or replaced it.
struct PathState {
    bool exists = false;
    bool isDir = false;
    qint64 size = -1;
    QDateTime modified;
    QByteArray headHash;  // hash of the first 64 KiB

    static PathState of(const QString& path) {
        PathState s;
        const QFileInfo info(path);
        s.exists = info.exists();
        if (!s.exists) return s;
        s.isDir = info.isDir();
        s.size = s.isDir ? -1 : info.size();
        s.modified = info.lastModified();
        QFile f(path);
        // Only a regular file is hashed: opening a FIFO would wait for a writer.
        if (info.isFile() && f.open(QIODevice::ReadOnly))
            s.headHash = QCryptographicHash::hash(f.read(64 * 1024), QCryptographicHash::Sha256);
        return s;
    }
    bool operator==(const PathState& o) const {
        return exists == o.exists && isDir == o.isDir && size == o.size && modified == o.modified &&
               headHash == o.headHash;
    }
};

// Peak resident memory of this process so far, in KiB. A reader that took a whole 1 GiB file into
// memory would raise it by a GiB.
inline long PeakRssKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

inline bool RunningAsRoot() {
    return geteuid() == 0;
}

// Makes the bad file `kind` in dir, its first bytes taken from `content` where it has a size, and
// returns its path. A Vanished file holds `content` whole: it is sound when the user chooses it,
// and the caller removes it before the operation opens it.
inline QString MakeBadFile(QTemporaryDir& dir, BadFile kind, const QByteArray& content,
                           const QString& name) {
    const QString path = dir.filePath(name);
    auto write = [&](const QByteArray& bytes) {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
    };
    auto sized = [&](int n) {
        QByteArray bytes = content.left(n);
        bytes += QByteArray(n - bytes.size(), '\0');
        write(bytes);
    };
    switch (kind) {
        case BadFile::Empty:
            write({});
            break;
        case BadFile::Bytes1:
            sized(1);
            break;
        case BadFile::Bytes127:
            sized(127);
            break;
        case BadFile::Bytes128:
            sized(128);
            break;
        case BadFile::Bytes255:
            sized(255);
            break;
        case BadFile::Bytes257:
            sized(257);
            break;
        case BadFile::Sparse1GiB: {
            QFile f(path);
            if (!f.open(QIODevice::WriteOnly) || !f.resize(kOneGiB))
                qFatal("cannot make the sparse file %s", qPrintable(path));
            break;
        }
        case BadFile::Directory:
            QDir(dir.path()).mkdir(name);
            break;
        case BadFile::Unreadable:
            sized(256);
            QFile::setPermissions(path, QFileDevice::Permissions());
            break;
        case BadFile::SymlinkLoop:
            if (!QFile::link(path, path)) qFatal("cannot make the link %s", qPrintable(path));
            break;
        case BadFile::Fifo:
            if (mkfifo(QFile::encodeName(path).constData(), 0600) != 0)
                qFatal("cannot make the FIFO %s", qPrintable(path));
            break;
        case BadFile::Vanished:
            write(content);
            break;
    }
    return path;
}

// Whether this process can read the file anyway (root ignores the permission bits).
inline bool ReadableDespitePermissions(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly);
}

}  // namespace varnok::test

Q_DECLARE_METATYPE(varnok::test::BadFile)
