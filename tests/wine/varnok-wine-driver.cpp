// varnok-wine-driver: plays the person at the keyboard for the end-to-end test of varnok.exe
// under Wine. Plain Win32, so it drives the real window and the system's own Open dialog the way
// a user's mouse and keyboard do (SendInput), not through a back door into the program.
//
//   varnok-wine-driver wait TITLE MS            waits until a window titled TITLE is shown
//   varnok-wine-driver click TITLE TOP X Y      clicks at (X, Y) of the area that starts TOP
//                                                pixels below the top of TITLE's client area
//                                                (the window's central widget below its menu)
//   varnok-wine-driver open PATH MS             waits for a file dialog, enters PATH, confirms
//
// Exit status 0 on success, 1 with a line on stderr otherwise.

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct Found {
    const wchar_t* title = nullptr;
    const wchar_t* className = nullptr;
    HWND hwnd = nullptr;
};

BOOL CALLBACK matchTopLevel(HWND hwnd, LPARAM param) {
    auto* f = reinterpret_cast<Found*>(param);
    if (!IsWindowVisible(hwnd)) return TRUE;
    wchar_t text[256] = {};
    if (f->title) {
        GetWindowTextW(hwnd, text, 256);
        if (std::wstring(text) != f->title) return TRUE;
    }
    if (f->className) {
        GetClassNameW(hwnd, text, 256);
        if (std::wstring(text) != f->className) return TRUE;
    }
    f->hwnd = hwnd;
    return FALSE;
}

HWND waitFor(const wchar_t* title, const wchar_t* className, DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    for (;;) {
        Found f{title, className, nullptr};
        EnumWindows(matchTopLevel, reinterpret_cast<LPARAM>(&f));
        if (f.hwnd) return f.hwnd;
        if (GetTickCount64() >= end) return nullptr;
        Sleep(100);
    }
}

std::wstring wide(const char* s) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, s, -1, nullptr, 0);
    std::wstring w(size_t(n > 0 ? n - 1 : 0), L'\0');
    if (n > 1) MultiByteToWideChar(CP_UTF8, 0, s, -1, w.data(), n);
    return w;
}

int failed(const char* what) {
    std::fprintf(stderr, "varnok-wine-driver: %s\n", what);
    return 1;
}

void sendMouse(DWORD flags) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    SendInput(1, &in, sizeof in);
}

int click(const wchar_t* title, int top, int x, int y) {
    HWND hwnd = waitFor(title, nullptr, 5000);
    if (!hwnd) return failed("window not found");
    POINT at{x, top + y};
    ClientToScreen(hwnd, &at);
    SetForegroundWindow(hwnd);
    SetCursorPos(at.x, at.y);
    Sleep(100);
    sendMouse(MOUSEEVENTF_LEFTDOWN);
    Sleep(50);
    sendMouse(MOUSEEVENTF_LEFTUP);
    return 0;
}

// The dialog's file name box: the first visible, enabled edit control, whether it stands alone
// or inside a combo box.
BOOL CALLBACK matchEdit(HWND hwnd, LPARAM param) {
    wchar_t cls[64] = {};
    GetClassNameW(hwnd, cls, 64);
    if (std::wstring(cls) != L"Edit" || !IsWindowVisible(hwnd) || !IsWindowEnabled(hwnd))
        return TRUE;
    *reinterpret_cast<HWND*>(param) = hwnd;
    return FALSE;
}

int openFile(const wchar_t* path, DWORD ms) {
    HWND dialog = waitFor(nullptr, L"#32770", ms);
    if (!dialog) return failed("no file dialog");
    HWND edit = nullptr;
    const ULONGLONG end = GetTickCount64() + 5000;
    while (!edit && GetTickCount64() < end) {
        EnumChildWindows(dialog, matchEdit, reinterpret_cast<LPARAM>(&edit));
        if (!edit) Sleep(100);
    }
    if (!edit) return failed("the file dialog has no file name box");
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path));
    // The dialog's default button, as Enter in the file name box would press it.
    HWND ok = GetDlgItem(dialog, IDOK);
    if (!ok) return failed("the file dialog has no OK button");
    PostMessageW(ok, BM_CLICK, 0, 0);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string verb = argc > 1 ? argv[1] : "";
    if (verb == "wait" && argc == 4) {
        return waitFor(wide(argv[2]).c_str(), nullptr, DWORD(std::atol(argv[3])))
                   ? 0
                   : failed("window not shown");
    }
    if (verb == "click" && argc == 6)
        return click(wide(argv[2]).c_str(), std::atoi(argv[3]), std::atoi(argv[4]),
                     std::atoi(argv[5]));
    if (verb == "open" && argc == 4)
        return openFile(wide(argv[2]).c_str(), DWORD(std::atol(argv[3])));
    return failed("usage: wait TITLE MS | click TITLE TOP X Y | open PATH MS");
}
