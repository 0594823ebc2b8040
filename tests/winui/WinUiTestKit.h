#pragma once

#include "engine/Clock.h"
#include "winui/MessageBoxes.h"
#include "winui/PopupMenus.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include <windows.h>

namespace kolvane::testing {

// The main window's hourly request goes here in tests: a local port where nothing listens.
inline constexpr const char* kLocalHomePage = "http://127.0.0.1:9";

// A clock the test sets; jobs read it from their threads.
struct SettableClock final : Clock {
    explicit SettableClock(int secondOfDay) : secondOfDay(secondOfDay) {}
    LocalDateTime Now() const override {
        const int s = secondOfDay;
        return {2026, 3, 1, s / 3600, s / 60 % 60, s % 60};
    }
    std::atomic<int> secondOfDay;
};

// Handles the UI thread's messages until `condition` holds or `timeout` has passed; true when it
// holds.
bool PumpUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Runs `action` once a top-level window of `className` is open and enabled, from inside the modal
// loop that shows it; `action` gets that window. Pending until then.
void WhenWindowOpens(const wchar_t* className, std::function<void(HWND)> action);
// True once the last action given to WhenWindowOpens has run.
bool WindowActionRan();

std::string CellText(HWND listView, int row, int column);
int RowCount(HWND listView);
void SelectRow(HWND listView, int row);
std::vector<std::string> ListBoxLines(HWND listBox);
RECT WindowRectOf(HWND window);
RECT ClientRectIn(HWND window, HWND parent);
int Width(const RECT& rect);
int Height(const RECT& rect);

// A fresh temporary directory per test, with the boxes and menus answered through the seams.
class WinUiTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string pathOf(const std::string& relative) const;
    static void WriteFile(const std::filesystem::path& path, const std::string& content);
    static std::string ReadFile(const std::filesystem::path& path);

    std::filesystem::path sandbox_;
    std::vector<winui::ShownBox> boxes_;
    // The answer to the next boxes; OK unless a test says otherwise.
    int answer_ = IDOK;
    std::vector<std::pair<HWND, std::string>> opened_;
    std::vector<winui::ShownMenu> menus_;
    // The command picked from the next menus; none (dismissed) unless a test says otherwise.
    int menuAnswer_ = 0;
};

} // namespace kolvane::testing
