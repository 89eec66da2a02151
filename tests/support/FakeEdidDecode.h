#pragma once
// A stand-in for edid-decode: while it lives PATH holds only a folder with a shell script of
// that name running body, or nothing at all when body is empty (edid-decode is then missing).

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

namespace varnok {

struct FakeEdidDecode {
    QTemporaryDir dir;
    QByteArray oldPath = qgetenv("PATH");
    explicit FakeEdidDecode(const QByteArray& body = {}) {
        if (!body.isEmpty()) {
            const QString path = dir.filePath("edid-decode");
            QFile f(path);
            if (!f.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(path));
            f.write("#!/bin/sh\n" + body);
            f.close();
            f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                             QFileDevice::ExeOwner);
        }
        qputenv("PATH", QFile::encodeName(dir.path()));
    }
    ~FakeEdidDecode() { qputenv("PATH", oldPath); }
};

}  // namespace varnok
