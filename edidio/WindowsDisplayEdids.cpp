#include "edidio/WindowsDisplayEdids.h"

#include <windows.h>
// windows.h first: the configuration manager's header needs its types.
#include <cfgmgr32.h>

#include <iterator>

namespace varnok {
namespace {

// 256 blocks of 128 bytes: the most an EDID can have.
constexpr DWORD kMaxEdidBytes = 256 * 128;

// A registry key opened read-only, closed when it goes out of scope.
class Key {
public:
    Key(HKEY parent, const std::wstring& path) {
        if (RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ, &key_) != ERROR_SUCCESS)
            key_ = nullptr;
    }
    ~Key() {
        if (key_) RegCloseKey(key_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;

    HKEY get() const { return key_; }
    explicit operator bool() const { return key_ != nullptr; }

private:
    HKEY key_ = nullptr;
};

std::vector<std::wstring> SubkeyNames(HKEY key) {
    std::vector<std::wstring> names;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];  // a key name has at most 255 characters
        DWORD length = DWORD(std::size(name));
        const LONG rc =
            RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc == ERROR_SUCCESS) names.emplace_back(name, length);
    }
    return names;
}

// A monitor Windows remembers but that is not attached now is a "phantom": the normal locate
// does not find it.
bool Attached(const std::wstring& instanceId) {
    DEVINST node = 0;
    std::wstring id = instanceId;  // the call takes a non-const string
    return CM_Locate_DevNodeW(&node, id.data(), CM_LOCATE_DEVNODE_NORMAL) == CR_SUCCESS;
}

// The configuration manager always finds the root of the device tree when it works at all; where
// it does not (Wine answers CR_FAILURE), it cannot tell phantoms and the registry's entries stand.
bool ManagerAnswers() {
    DEVINST root = 0;
    return CM_Locate_DevNodeW(&root, nullptr, CM_LOCATE_DEVNODE_NORMAL) == CR_SUCCESS;
}

std::vector<uint8_t> EdidValue(HKEY parameters) {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(parameters, L"EDID", nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_BINARY || size == 0 || size > kMaxEdidBytes)
        return {};
    std::vector<uint8_t> bytes(size);
    if (RegQueryValueExW(parameters, L"EDID", nullptr, &type, bytes.data(), &size) !=
            ERROR_SUCCESS ||
        type != REG_BINARY)
        return {};  // changed between the two reads: grown, or no longer binary
    bytes.resize(size);
    return bytes;
}

}  // namespace

std::vector<RegistryDisplayEdid> ReadRegistryDisplayEdids() {
    std::vector<RegistryDisplayEdid> displays;
    const Key display(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Enum\\DISPLAY");
    if (!display) return displays;
    const bool judge = ManagerAnswers();
    for (const std::wstring& model : SubkeyNames(display.get())) {
        const Key modelKey(display.get(), model);
        if (!modelKey) continue;
        for (const std::wstring& instance : SubkeyNames(modelKey.get())) {
            if (judge && !Attached(L"DISPLAY\\" + model + L"\\" + instance)) continue;
            const Key parameters(modelKey.get(), instance + L"\\Device Parameters");
            if (!parameters) continue;
            std::vector<uint8_t> bytes = EdidValue(parameters.get());
            if (!bytes.empty()) displays.push_back({model, instance, std::move(bytes)});
        }
    }
    return displays;
}

}  // namespace varnok
