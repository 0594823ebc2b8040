#include "support/TestSystem.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace kolvane::testing {

namespace fs = std::filesystem;

fs::path PathOf(const std::string& utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8Of(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

#ifdef _WIN32

namespace {

// Quoted for the command line as the C runtime splits it again.
std::wstring Quoted(const std::wstring& argument) {
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted += L'"';
}

} // namespace

fs::path ProgramDirectory() {
    std::wstring name(32768, L'\0');
    name.resize(::GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size())));
    return fs::path(name).parent_path();
}

struct ChildProcess::Handle {
    PROCESS_INFORMATION process{};
    bool started = false;
};

ChildProcess::ChildProcess(const fs::path& program, const std::vector<std::string>& arguments)
    : handle_(std::make_unique<Handle>()) {
    std::wstring commandLine = Quoted(program.wstring());
    for (const std::string& argument : arguments)
        commandLine += L" " + Quoted(PathOf(argument).wstring());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    handle_->started =
        ::CreateProcessW(program.wstring().c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                         nullptr, nullptr, &startup, &handle_->process) != 0;
}

ChildProcess::~ChildProcess() {
    Wait();
}

int ChildProcess::Wait() {
    if (!handle_->started)
        return -1;
    ::WaitForSingleObject(handle_->process.hProcess, INFINITE);
    DWORD code = 0;
    const bool exited = ::GetExitCodeProcess(handle_->process.hProcess, &code) != 0;
    ::CloseHandle(handle_->process.hProcess);
    ::CloseHandle(handle_->process.hThread);
    handle_->started = false;
    return exited ? static_cast<int>(code) : -1;
}

std::uint32_t ChildProcess::id() const {
    return handle_->started ? handle_->process.dwProcessId : 0;
}

// This very test program, told to run no test.
std::uint32_t DeadProcessId() {
    std::wstring self(32768, L'\0');
    self.resize(::GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
    ChildProcess child(self, {"--gtest_filter=-*"});
    const std::uint32_t id = child.id();
    child.Wait();
    return id;
}

HeldOpen::HeldOpen(const fs::path& path, Sharing sharing)
    : handle_(::CreateFileW(path.wstring().c_str(), GENERIC_READ,
                            sharing == Sharing::None ? 0 : FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_BACKUP_SEMANTICS, nullptr)) {}

HeldOpen::~HeldOpen() {
    if (held())
        ::CloseHandle(handle_);
}

bool HeldOpen::held() const {
    return handle_ != INVALID_HANDLE_VALUE;
}

void SetHidden(const fs::path& path) {
    ::SetFileAttributesW(path.wstring().c_str(),
                         ::GetFileAttributesW(path.wstring().c_str()) | FILE_ATTRIBUTE_HIDDEN);
}

bool IsHidden(const fs::path& path) {
    const DWORD attributes = ::GetFileAttributesW(path.wstring().c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_HIDDEN) != 0;
}

namespace {

bool MakeLink(const fs::path& target, const fs::path& link, DWORD flags) {
    flags |= SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE;
    if (!::CreateSymbolicLinkW(link.wstring().c_str(), target.wstring().c_str(), flags))
        return false;
    const DWORD attributes = ::GetFileAttributesW(link.wstring().c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

} // namespace

bool MakeDirectoryLink(const fs::path& target, const fs::path& link) {
    return MakeLink(target, link, SYMBOLIC_LINK_FLAG_DIRECTORY);
}

bool MakeFileLink(const fs::path& target, const fs::path& link) {
    return MakeLink(target, link, 0);
}

bool WritingInto(const fs::path& directory) {
    std::error_code gone;
    for (const auto& entry : fs::directory_iterator(directory, gone))
        if (entry.path().filename().wstring().starts_with(L".kolvane-"))
            return true;
    return false;
}

#else

fs::path ProgramDirectory() {
    return fs::read_symlink("/proc/self/exe").parent_path();
}

struct ChildProcess::Handle {
    pid_t process = -1;
};

ChildProcess::ChildProcess(const fs::path& program, const std::vector<std::string>& arguments)
    : handle_(std::make_unique<Handle>()) {
    std::vector<std::string> texts{program.string()};
    texts.insert(texts.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& text : texts)
        argv.push_back(text.data());
    argv.push_back(nullptr);
    if (::posix_spawn(&handle_->process, texts[0].c_str(), nullptr, nullptr, argv.data(),
                      environ) != 0)
        handle_->process = -1;
}

ChildProcess::~ChildProcess() {
    Wait();
}

int ChildProcess::Wait() {
    if (handle_->process < 0)
        return -1;
    int status = 0;
    ::waitpid(handle_->process, &status, 0);
    handle_->process = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::uint32_t ChildProcess::id() const {
    return handle_->process < 0 ? 0 : static_cast<std::uint32_t>(handle_->process);
}

std::uint32_t DeadProcessId() {
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return static_cast<std::uint32_t>(child);
}

int RunInChild(const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child == 0) {
        int code = 1;
        try {
            code = body();
        } catch (...) {
            code = 2;
        }
        ::_exit(code);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool MakeDirectoryLink(const fs::path& target, const fs::path& link) {
    fs::create_directory_symlink(target, link);
    return true;
}

bool MakeFileLink(const fs::path& target, const fs::path& link) {
    fs::create_symlink(target, link);
    return true;
}

bool WritingInto(const fs::path& directory) {
    for (const auto& descriptor : fs::directory_iterator("/proc/self/fd")) {
        std::error_code gone;
        if (fs::read_symlink(descriptor.path(), gone).parent_path() == directory)
            return true;
    }
    return false;
}

#endif

} // namespace kolvane::testing
