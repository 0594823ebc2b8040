#pragma once

// Mounts and a network of the test process's own, on Linux where the process may make them (as
// root, or with CAP_SYS_ADMIN). Each call returns why it could not be done, or an empty text; a
// test skips itself with that reason. Whatever the test mounts goes with its process, and nothing
// outside the process sees it.

#include <string>

#ifdef __linux__
#include <cerrno>
#include <cstring>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace kolvane::testing {

#ifdef __linux__

inline std::string SystemCallFailed(const std::string& call) {
    return call + ": " + std::strerror(errno);
}

// From now on, mounts made by this process stay in it.
inline std::string EnterPrivateMounts() {
    if (::unshare(CLONE_NEWNS) != 0)
        return SystemCallFailed("unshare(CLONE_NEWNS)");
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return SystemCallFailed("mount --make-rprivate /");
    return {};
}

inline std::string MountTmpfs(const std::string& where, const std::string& options) {
    if (::mount("kolvane-test", where.c_str(), "tmpfs", 0, options.c_str()) != 0)
        return SystemCallFailed("mount -t tmpfs -o " + options);
    return {};
}

inline std::string RemountReadOnly(const std::string& where) {
    if (::mount(nullptr, where.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0)
        return SystemCallFailed("mount -o remount,ro " + where);
    return {};
}

// Detached at once, even while files on it are still open.
inline void Unmount(const std::string& where) {
    ::umount2(where.c_str(), MNT_DETACH);
}

// Puts `file` in the place of `onto`, such as a hosts file of the test's own over /etc/hosts.
inline std::string BindMount(const std::string& file, const std::string& onto) {
    if (::mount(file.c_str(), onto.c_str(), nullptr, MS_BIND, nullptr) != 0)
        return SystemCallFailed("mount --bind " + file + " " + onto);
    return {};
}

// A network of this process's own, with nothing but its loopback device, which is brought up:
// any port, port 80 too, is free there.
inline std::string EnterPrivateNetwork() {
    if (::unshare(CLONE_NEWNET) != 0)
        return SystemCallFailed("unshare(CLONE_NEWNET)");
    const int control = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (control < 0)
        return SystemCallFailed("socket");
    ifreq loopback{};
    std::strncpy(loopback.ifr_name, "lo", IFNAMSIZ - 1);
    loopback.ifr_flags = IFF_UP | IFF_LOOPBACK | IFF_RUNNING;
    const bool up = ::ioctl(control, SIOCSIFFLAGS, &loopback) == 0;
    const std::string failure = up ? "" : SystemCallFailed("ioctl(SIOCSIFFLAGS, lo)");
    ::close(control);
    return failure;
}

#else

inline std::string EnterPrivateMounts() {
    return "mounts of a test's own are made only on Linux";
}
inline std::string MountTmpfs(const std::string&, const std::string&) {
    return EnterPrivateMounts();
}
inline std::string RemountReadOnly(const std::string&) {
    return EnterPrivateMounts();
}
inline void Unmount(const std::string&) {}
inline std::string BindMount(const std::string&, const std::string&) {
    return EnterPrivateMounts();
}
inline std::string EnterPrivateNetwork() {
    return "a network of a test's own is made only on Linux";
}

#endif

} // namespace kolvane::testing
