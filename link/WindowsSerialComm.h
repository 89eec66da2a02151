#pragma once
// The Windows list of serial ports: the string data of every value under the registry key
// HARDWARE\DEVICEMAP\SERIALCOMM of the local machine, opened read-only, in the registry's own
// enumeration order. A missing key gives an empty list. Plain Win32 and the standard library, so
// the file compiles (and is checked) without Qt.

#ifdef _WIN32
#include <string>
#include <vector>

namespace varnok {

std::vector<std::wstring> ReadSerialCommPorts();

}  // namespace varnok
#endif
