# shellcheck shell=bash disable=SC2034
# Names shared by the Windows set-up and test scripts; sourced, not run.
# The chroot lives in a system cache folder, outside every project checkout.
KOLVANE_CHROOT="${KOLVANE_CHROOT:-/var/cache/kolvane/i386-bookworm}"
KOLVANE_CHROOT_SUITE=bookworm
# Written last by the set-up, so a chroot without it is known to be unfinished.
KOLVANE_CHROOT_READY=.kolvane-ready
