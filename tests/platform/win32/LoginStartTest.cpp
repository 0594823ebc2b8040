#include "platform/LoginStart.h"

#include "platform/win32/WideText.h"
#include "support/Sandbox.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

// windows.h declares what the shell's headers use.
// clang-format off
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
// clang-format on

namespace kolvane::testing {
namespace {

using platform::IsStartedAtLogin;
using platform::LoginStartEntry;
using platform::SetStartedAtLogin;
using platform::win32::Utf8;
using platform::win32::Wide;

std::filesystem::path StartupFolder() {
    PWSTR folder = nullptr;
    std::filesystem::path path;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Startup, 0, nullptr, &folder)))
        path = folder;
    CoTaskMemFree(folder);
    return path;
}

// What a shortcut starts, read back through the shell as the system reads it at login.
struct Shortcut {
    std::string target;
    std::string arguments;
    std::string workingDirectory;
};

bool ReadShortcut(const std::filesystem::path& file, Shortcut& shortcut) {
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link))))
        return false;
    IPersistFile* persisted = nullptr;
    wchar_t target[MAX_PATH] = {}, arguments[1024] = {}, directory[MAX_PATH] = {};
    const bool read =
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persisted))) &&
        SUCCEEDED(persisted->Load(file.wstring().c_str(), STGM_READ)) &&
        SUCCEEDED(link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH)) &&
        SUCCEEDED(link->GetArguments(arguments, 1024)) &&
        SUCCEEDED(link->GetWorkingDirectory(directory, MAX_PATH));
    if (persisted)
        persisted->Release();
    link->Release();
    shortcut = {Utf8(target), Utf8(arguments), Utf8(directory)};
    return read;
}

class LoginStartTest : public SandboxedTest {
protected:
    void SetUp() override {
        SandboxedTest::SetUp();
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        startup_ = StartupFolder();
        ASSERT_FALSE(startup_.empty());
        // A name of this run's own, beside whatever the user's Startup folder holds.
        entry_.name = "Kolvane 测试 " + std::to_string(GetCurrentProcessId());
        entry_.applicationId = "example.kolvane.Kolvane";
        entry_.executable = pathOf("备份 程序/Kolvane.exe");
        entry_.argument = "--autostart";
        writeFile(PathOf(entry_.executable), "");
    }
    void TearDown() override {
        SetStartedAtLogin(entry_, false);
        CoUninitialize();
        SandboxedTest::TearDown();
    }
    std::filesystem::path shortcutFile() const { return startup_ / Wide(entry_.name + ".lnk"); }

    std::filesystem::path startup_;
    LoginStartEntry entry_;
};

TEST_F(LoginStartTest, TheShortcutAppearsInTheStartupFolderAndGoes) {
    EXPECT_FALSE(IsStartedAtLogin(entry_));

    ASSERT_TRUE(SetStartedAtLogin(entry_, true));
    EXPECT_TRUE(IsStartedAtLogin(entry_));
    ASSERT_TRUE(std::filesystem::exists(shortcutFile()));
    Shortcut shortcut;
    ASSERT_TRUE(ReadShortcut(shortcutFile(), shortcut));
    EXPECT_EQ(shortcut.target, entry_.executable);
    EXPECT_EQ(shortcut.arguments, "--autostart");
    EXPECT_EQ(shortcut.workingDirectory, pathOf("备份 程序"));

    // Switched on again, the one shortcut is rewritten.
    ASSERT_TRUE(SetStartedAtLogin(entry_, true));
    EXPECT_TRUE(IsStartedAtLogin(entry_));

    ASSERT_TRUE(SetStartedAtLogin(entry_, false));
    EXPECT_FALSE(IsStartedAtLogin(entry_));
    EXPECT_FALSE(std::filesystem::exists(shortcutFile()));
    EXPECT_TRUE(SetStartedAtLogin(entry_, false)) << "off when it is off already";
}

TEST_F(LoginStartTest, AShortcutPutThereByHandCountsAsOn) {
    writeFile(shortcutFile(), "");
    EXPECT_TRUE(IsStartedAtLogin(entry_));
    ASSERT_TRUE(SetStartedAtLogin(entry_, false));
    EXPECT_FALSE(std::filesystem::exists(shortcutFile()));
}

} // namespace
} // namespace kolvane::testing
