#include "WinUiTestKit.h"

#include "winui/HomePageLink.h"
#include "winui/WideText.h"

#include <commctrl.h>
#include <fstream>
#include <sstream>

namespace kolvane::testing {
namespace {

struct PendingWindowAction {
    const wchar_t* className = nullptr;
    std::function<void(HWND)> action;
    UINT_PTR timer = 0;
    bool ran = false;
};

PendingWindowAction& Pending() {
    static PendingWindowAction pending;
    return pending;
}

BOOL CALLBACK FindOpenWindow(HWND window, LPARAM found) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (std::wstring(name) == Pending().className && IsWindowVisible(window) &&
        IsWindowEnabled(window)) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK LookForWindow(HWND, UINT, UINT_PTR, DWORD) {
    PendingWindowAction& pending = Pending();
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindOpenWindow, reinterpret_cast<LPARAM>(&found));
    if (!found || pending.ran)
        return;
    KillTimer(nullptr, pending.timer);
    pending.ran = true;
    pending.action(found);
}

} // namespace

bool PumpUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

void WhenWindowOpens(const wchar_t* className, std::function<void(HWND)> action) {
    PendingWindowAction& pending = Pending();
    pending.className = className;
    pending.action = std::move(action);
    pending.ran = false;
    pending.timer = SetTimer(nullptr, 0, 20, LookForWindow);
}

bool WindowActionRan() {
    return Pending().ran;
}

std::string CellText(HWND listView, int row, int column) {
    wchar_t text[512] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = 512;
    SendMessageW(listView, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&item));
    return winui::Utf8(text);
}

int RowCount(HWND listView) {
    return static_cast<int>(SendMessageW(listView, LVM_GETITEMCOUNT, 0, 0));
}

void SelectRow(HWND listView, int row) {
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(listView, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&item));
}

std::vector<std::string> ListBoxLines(HWND listBox) {
    std::vector<std::string> lines;
    const int count = static_cast<int>(SendMessageW(listBox, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        std::wstring line(static_cast<std::size_t>(SendMessageW(listBox, LB_GETTEXTLEN, i, 0)) + 1,
                          L'\0');
        line.resize(static_cast<std::size_t>(
            SendMessageW(listBox, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line.data()))));
        lines.push_back(winui::Utf8(line));
    }
    return lines;
}

RECT WindowRectOf(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

RECT ClientRectIn(HWND window, HWND parent) {
    RECT rect = WindowRectOf(window);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

int Width(const RECT& rect) {
    return rect.right - rect.left;
}

int Height(const RECT& rect) {
    return rect.bottom - rect.top;
}

void WinUiTest::SetUp() {
    static int counter = 0;
    sandbox_ = std::filesystem::temp_directory_path() /
               ("kolvane-winui-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(++counter));
    std::filesystem::create_directories(sandbox_);
    winui::SetMessageBoxResponder([this](const winui::ShownBox& box) {
        boxes_.push_back(box);
        return answer_;
    });
    winui::SetHomePageOpener(
        [this](HWND parent, const std::string& address) { opened_.emplace_back(parent, address); });
    winui::SetPopupMenuChooser([this](const winui::ShownMenu& menu) {
        menus_.push_back(menu);
        return menuAnswer_;
    });
}

void WinUiTest::TearDown() {
    winui::SetMessageBoxResponder(nullptr);
    winui::SetHomePageOpener(nullptr);
    winui::SetPopupMenuChooser(nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(sandbox_, ignored);
}

std::string WinUiTest::pathOf(const std::string& relative) const {
    return (sandbox_ / relative).string();
}

void WinUiTest::WriteFile(const std::filesystem::path& path, const std::string& content) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

std::string WinUiTest::ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

} // namespace kolvane::testing
