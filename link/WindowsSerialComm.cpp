#include "link/WindowsSerialComm.h"

#ifdef _WIN32
#include <windows.h>

#include <iterator>

namespace varnok {

std::vector<std::wstring> ReadSerialCommPorts() {
    std::vector<std::wstring> names;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return names;  // no key: no ports
    for (DWORD index = 0;; ++index) {
        wchar_t valueName[256];
        DWORD nameLen = DWORD(std::size(valueName));
        wchar_t data[256];
        DWORD dataBytes = DWORD(sizeof(data) - sizeof(wchar_t));
        DWORD type = 0;
        const LONG rc = RegEnumValueW(key, index, valueName, &nameLen, nullptr, &type,
                                      reinterpret_cast<BYTE*>(data), &dataBytes);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS || type != REG_SZ) continue;  // too long or not a string
        // Registry strings need not end in a zero; bound the text by the byte count.
        data[dataBytes / sizeof(wchar_t)] = L'\0';
        if (data[0] != L'\0') names.emplace_back(data);
    }
    RegCloseKey(key);
    return names;
}

}  // namespace varnok
#endif
