#pragma once
// Names of serial ports reached over the network, given where a port path goes:
//
//   tcp://HOST:PORT      a raw byte stream (an IP-to-serial adapter in "TCP server" mode); the
//                        line settings are the adapter's own configuration
//   rfc2217://HOST:PORT  Telnet with the COM-PORT-OPTION of RFC 2217 (a serial server that lets
//                        the client set the line)
//
// HOST is a host name, an IPv4 address or an IPv6 address in brackets ("[::1]"); PORT is a
// number from 1 to 65535. The scheme's letters may be in any case. Pure text handling: nothing
// is looked up or opened here.

#include <QString>
#include <cstdint>
#include <optional>

namespace varnok {

enum class NetworkPortKind : uint8_t { Tcp, Rfc2217 };

struct NetworkPortName {
    NetworkPortKind kind = NetworkPortKind::Tcp;
    QString host;  // without the brackets of an IPv6 address
    uint16_t port = 0;

    // "HOST:PORT" as the user wrote it (an IPv6 address in its brackets), the prefix of the
    // port's error texts: "rack7:4999: connection refused".
    QString hostAndPort() const;
};

// The kind of network port the path names by its scheme alone, whether or not the rest is well
// formed; nothing for any other path (a device path, COM3).
std::optional<NetworkPortKind> NetworkPortKindOf(const QString& path);

// The parts of a network port name; nothing, with the reason in words in *error ("no port
// number", "junk after the port number: '/x'", ...), when the name is malformed or is no
// network port name at all.
std::optional<NetworkPortName> ParseNetworkPortName(const QString& path, QString* error = nullptr);

// The form of a name of this kind, for messages: "tcp://HOST:PORT".
QString NetworkPortForm(NetworkPortKind kind);

}  // namespace varnok
