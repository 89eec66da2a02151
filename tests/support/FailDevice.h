#pragma once
// A QIODevice that takes `room` bytes and then fails as a full disk does ("No space left on
// device"), so a writer's handling of a full disk is tested without root or a small file system.
// Reads give what was written.

#include <QByteArray>
#include <QIODevice>

namespace varnok {

class FailDevice : public QIODevice {
public:
    explicit FailDevice(qint64 room, bool sequential = false);

    // The bytes that made it before the device was full.
    const QByteArray& written() const { return bytes_; }
    bool isSequential() const override { return sequential_; }
    qint64 size() const override { return bytes_.size(); }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 maxSize) override;

private:
    qint64 room_;
    bool sequential_;
    QByteArray bytes_;
};

}  // namespace varnok
