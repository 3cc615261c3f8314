#!/usr/bin/env bash
# Installs what building and testing need on a fresh Debian bookworm machine, as root.
# Idempotent: every step first checks whether its work is already done.
set -euo pipefail

say() { printf '[prerequisites] %s\n' "$*"; }
die() { printf '[prerequisites] error: %s\n' "$*" >&2; exit 1; }

# Packages for the amd64 side; the i386 ones are handled separately below.
HOST_PACKAGES=(
  cmake ninja-build g++ make pkg-config dpkg-dev
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix libz-mingw-w64-dev
  googletest
  wine wine64 fonts-wine qemu-user-static binfmt-support
  socat xvfb xdotool imagemagick x11-utils
  clang libclang-rt-14-dev zlib1g-dev python3 python3-pefile python3-pyelftools
)
I386_PACKAGES=(wine32:i386 wine32-preloader:i386)

missing_packages() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${db:Status-Status}\n' "$p" 2>/dev/null | grep -qx installed || printf '%s\n' "$p"
  done
}

apt_update() {
  local i
  for i in 1 2 3; do
    # A partial failure of one index is survivable; apt prints it and goes on.
    if apt-get update -qq; then return 0; fi
    say "apt-get update failed (try $i), retrying"
    sleep 3
  done
  say "apt-get update kept failing; going on with the lists we have"
}

# Refuses any plan that would remove a package: we only ever add.
apt_install() {
  local plan
  plan=$(apt-get -s install -y --no-install-recommends "$@" 2>&1) || { printf '%s\n' "$plan" >&2; return 1; }
  if grep -q '^Remv ' <<<"$plan"; then
    grep '^Remv ' <<<"$plan" >&2
    die "installing $* would remove packages; refusing"
  fi
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$@"
}

ensure_sources() {
  # The zlib source package carries minizip, which Debian does not package for mingw.
  local f=/etc/apt/sources.list.d/zorvan-src.sources
  if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list 2>/dev/null; then
    cat >"$f" <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
    NEED_UPDATE=1
  fi
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    NEED_UPDATE=1
  fi
}

# minizip is not packaged for mingw: its sources come from Debian's zlib source package
# and are built by the project's build with the cross compilers.
# ZV_MINIZIP_SOURCE is the build's name for the same directory (cmake/Dependencies.cmake).
ZV_MINIZIP_SOURCE=${ZV_MINIZIP_SOURCE:-/var/cache/zorvan-deps/minizip}
MINIZIP_FILES=(ioapi.c ioapi.h zip.c zip.h unzip.c unzip.h iowin32.c iowin32.h crypt.h)

# Whether this machine runs 32-bit x86 Linux programs (natively or through a registered
# interpreter): a static i386 program of 93 bytes, made here byte by byte so that no
# 32-bit compiler or C library is needed, exits with 0 when it ran. Its parts: the ELF
# header (entry 0x08048054, one program header), one loadable segment mapping the whole
# file at 0x08048000, and the code: mov eax, 1 (exit); xor ebx, ebx; int 0x80.
I386_EXIT0='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00'
I386_EXIT0+='\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00'
I386_EXIT0+='\x00\x00\x00\x00\x00\x00'
I386_EXIT0+='\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00'
I386_EXIT0+='\x05\x00\x00\x00\x00\x10\x00\x00'
I386_EXIT0+='\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80'
i386_runs() {
  local dir status=1
  dir=$(mktemp -d) || return 1
  if printf "$I386_EXIT0" >"$dir/exit0" && chmod +x "$dir/exit0"; then
    ("$dir/exit0") 2>/dev/null && status=0
  fi
  rm -rf "$dir"
  return "$status"
}
minizip_ready() { [ -f "$ZV_MINIZIP_SOURCE/zip.c" ] && [ -f "$ZV_MINIZIP_SOURCE/iowin32.c" ]; }
everything_present() {
  [ -z "$(missing_packages "${HOST_PACKAGES[@]}" wine32 wine32-preloader)" ] && i386_runs \
    && dpkg --print-foreign-architectures | grep -qx i386 && minizip_ready
}
if everything_present; then
  say "ready"
  exit 0
fi
[ "$(id -u)" = 0 ] || die "something is missing and installing it needs root (apt-get, binfmt_misc)"

NEED_UPDATE=0
ensure_sources
mapfile -t want < <(missing_packages "${HOST_PACKAGES[@]}")
mapfile -t want32 < <(missing_packages wine32 wine32-preloader)
if [ "${#want[@]}" -gt 0 ] || [ "${#want32[@]}" -gt 0 ] || [ "$NEED_UPDATE" = 1 ]; then
  apt_update
fi
if [ "${#want[@]}" -gt 0 ]; then
  say "installing ${want[*]}"
  apt_install "${want[@]}" || apt_install -t bookworm "${want[@]}" || die "could not install ${want[*]}"
fi
if [ "${#want32[@]}" -gt 0 ]; then
  say "installing ${I386_PACKAGES[*]}"
  # The security suite's i386 index can lag behind amd64; the main suite's versions then match.
  apt_install "${I386_PACKAGES[@]}" || apt_install -t bookworm "${I386_PACKAGES[@]}" \
    || die "could not install ${I386_PACKAGES[*]}"
fi

# 32-bit Wine needs 32-bit Linux programs to run. A stock amd64 kernel runs them itself,
# and Debian registers no i386 handler there; registering qemu's on such a machine would
# push every 32-bit program through emulation. Only a kernel that cannot run them (built
# without 32-bit support, as on the development machines) gets qemu's interpreter.
if ! i386_runs; then
  if [ ! -e /proc/sys/fs/binfmt_misc/register ]; then
    mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc 2>/dev/null || true
  fi
  # The F flag opens the interpreter now, so it works inside other mount namespaces too.
  if [ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ] && [ -w /proc/sys/fs/binfmt_misc/register ]; then
    say "the kernel runs no 32-bit programs: registering qemu-i386 for them in binfmt_misc"
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' \
      >/proc/sys/fs/binfmt_misc/register || true
  fi
  i386_runs || die "32-bit programs do not run, not even through qemu-i386 in binfmt_misc"
fi

# Fetches into a directory beside the target and renames it into place only when every
# file is there, so an interrupted download or copy never leaves a directory that
# minizip_ready accepts.
fetch_minizip() {
  local work staged tarball f parent
  parent=$(dirname "$ZV_MINIZIP_SOURCE")
  mkdir -p "$parent"
  work=$(mktemp -d)
  staged=$(mktemp -d "$ZV_MINIZIP_SOURCE.partial.XXXXXX")
  trap 'rm -rf "$work" "$staged"' EXIT
  (cd "$work" && apt-get source --download-only -qq zlib >/dev/null 2>&1) \
    || { apt_update; (cd "$work" && apt-get source --download-only -qq zlib >/dev/null 2>&1); } \
    || die "could not download Debian's zlib source package (for minizip)"
  tarball=$(ls "$work"/zlib_*.orig.tar.* | head -n 1)
  tar -xf "$tarball" -C "$work" || die "could not unpack $tarball"
  for f in "${MINIZIP_FILES[@]}"; do
    cp "$work"/zlib-*/contrib/minizip/"$f" "$staged/" || die "minizip file $f missing from $tarball"
  done
  chmod 755 "$staged"
  # A directory left by an earlier, incomplete fetch goes first; the rename is atomic.
  rm -rf "$ZV_MINIZIP_SOURCE"
  mv -T "$staged" "$ZV_MINIZIP_SOURCE" || die "could not move minizip into $ZV_MINIZIP_SOURCE"
  rm -rf "$work"
  trap - EXIT
}
if ! minizip_ready; then
  say "fetching minizip from Debian's zlib source package"
  fetch_minizip
fi

say "ready"
