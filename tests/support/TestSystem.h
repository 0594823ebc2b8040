#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// What tests need from the operating system beyond the core's own platform layer.
namespace kolvane::testing {

// The directory of the running test program, where the helper programs are built too.
std::filesystem::path ProgramDirectory();

// A program run as a second process; Wait returns its exit code (-1 when it did not exit).
class ChildProcess {
public:
    ChildProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    int Wait();
    std::uint32_t id() const; // the system's process id; 0 when the program did not start

private:
    struct Handle;
    std::unique_ptr<Handle> handle_;
};

// The id of a process that has just ended, which therefore names no running process.
std::uint32_t DeadProcessId();

#ifdef _WIN32
// Keeps a file or directory open until destroyed. Without sharing, nobody else can open it;
// with reading shared, others can read it but not rename anything over it.
class HeldOpen {
public:
    enum class Sharing { None, ReadOnly };
    HeldOpen(const std::filesystem::path& path, Sharing sharing);
    ~HeldOpen();
    HeldOpen(const HeldOpen&) = delete;
    HeldOpen& operator=(const HeldOpen&) = delete;
    bool held() const;

private:
    void* handle_;
};

void SetHidden(const std::filesystem::path& path);
bool IsHidden(const std::filesystem::path& path);
#else
// Runs `body` in a forked child process and returns its exit status; an exception is 2.
int RunInChild(const std::function<int()>& body);
#endif

// Whether this process is writing a file into the directory: an open descriptor there on Linux,
// where a copy in progress may have no name; a copy's temporary name on Windows.
bool WritingInto(const std::filesystem::path& directory);

// Makes `link` a symbolic link to `target`; false where the system does not let this process make
// links (Windows without the privilege or developer mode; wine).
bool MakeDirectoryLink(const std::filesystem::path& target, const std::filesystem::path& link);
bool MakeFileLink(const std::filesystem::path& target, const std::filesystem::path& link);

// UTF-8 text and paths: on Windows a std::string path would be read in the ANSI code page.
std::filesystem::path PathOf(const std::string& utf8);
std::string Utf8Of(const std::filesystem::path& path);

} // namespace kolvane::testing
