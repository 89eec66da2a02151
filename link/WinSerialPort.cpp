#include "link/WinSerialPort.h"

#ifdef _WIN32
#include <windows.h>

namespace varnok {
namespace {

HANDLE native(void* h) {
    return static_cast<HANDLE>(h);
}

// The system's text for an error code, without the trailing line break.
QString systemMessage(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    QString message =
        n ? QString::fromWCharArray(text, int(n)).trimmed() : QStringLiteral("Error %1").arg(code);
    LocalFree(text);
    return message;
}

// The longest a write may take: a whole ISP page (1 KiB, about 180 ms at 57600 baud) with a wide
// margin. A line that takes nothing for that long (a stuck flow-control line) returns short
// instead of hanging the window.
constexpr DWORD kWriteTimeoutMs = 2000;

}  // namespace

WinSerialPort::~WinSerialPort() {
    close();
}

bool WinSerialPort::open(const QString& path) {
    close();
    fatal_ = false;
    errorText_.clear();
    // No sharing: the port is ours alone, as a second program writing to the device would break
    // every answer.
    const HANDLE h =
        CreateFileW(reinterpret_cast<const wchar_t*>(path.utf16()), GENERIC_READ | GENERIC_WRITE, 0,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        errorText_ = systemMessage(GetLastError());
        return false;
    }
    handle_ = h;
    if (!setTimeouts()) {
        close();
        return false;
    }
    return true;
}

bool WinSerialPort::setTimeouts() {
    // Reads return at once with what the input queue holds; writes wait for the line.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.WriteTotalTimeoutConstant = kWriteTimeoutMs;
    if (SetCommTimeouts(native(handle_), &timeouts)) return true;
    fail(false);
    return false;
}

bool WinSerialPort::setLineSettings() {
    if (!handle_) return false;
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(native(handle_), &dcb)) {
        fail(false);
        return false;
    }
    // 57600 baud, 8 data bits, no parity, 1 stop bit, binary, no flow control and no character
    // replaced or dropped. The DTR and RTS lines keep their state, unless the driver had them
    // in a handshake, which would hold them low while the host reads.
    dcb.BaudRate = 57600;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    if (dcb.fDtrControl == DTR_CONTROL_HANDSHAKE) dcb.fDtrControl = DTR_CONTROL_ENABLE;
    if (dcb.fRtsControl == RTS_CONTROL_HANDSHAKE || dcb.fRtsControl == RTS_CONTROL_TOGGLE)
        dcb.fRtsControl = RTS_CONTROL_ENABLE;
    if (!SetCommState(native(handle_), &dcb)) {
        fail(false);
        return false;
    }
    // Some drivers (Wine's among them) reset the time-outs with the line settings, after which a
    // read would return nothing although the queue holds bytes.
    return setTimeouts();
}

bool WinSerialPort::isOpen() const {
    return handle_ != nullptr;
}

void WinSerialPort::close() {
    if (!handle_) return;
    CloseHandle(native(handle_));
    handle_ = nullptr;
}

qint64 WinSerialPort::write(const QByteArray& bytes) {
    if (!handle_) return -1;
    DWORD written = 0;
    if (!WriteFile(native(handle_), bytes.constData(), DWORD(bytes.size()), &written, nullptr)) {
        fail(true);
        return -1;
    }
    return qint64(written);
}

qint64 WinSerialPort::bytesWaiting() {
    if (!handle_) return 0;
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(native(handle_), &errors, &status)) {
        fail(true);
        return 0;
    }
    return qint64(status.cbInQue);
}

QByteArray WinSerialPort::read(qint64 max) {
    if (!handle_ || max <= 0) return {};
    QByteArray bytes(qsizetype(max), Qt::Uninitialized);
    DWORD got = 0;
    if (!ReadFile(native(handle_), bytes.data(), DWORD(max), &got, nullptr)) {
        fail(true);
        return {};
    }
    bytes.truncate(qsizetype(got));
    return bytes;
}

void WinSerialPort::discardInput() {
    // Drops the driver's receive queue; the transmit side is kept.
    if (handle_) PurgeComm(native(handle_), PURGE_RXCLEAR | PURGE_RXABORT);
}

bool WinSerialPort::hasFatalError() const {
    return fatal_;
}

QString WinSerialPort::errorString() const {
    return errorText_;
}

void WinSerialPort::fail(bool fatal) {
    errorText_ = systemMessage(GetLastError());
    if (!fatal || fatal_) return;
    fatal_ = true;
    close();
}

}  // namespace varnok
#endif
