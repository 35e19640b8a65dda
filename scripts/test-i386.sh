#!/usr/bin/env bash
# Builds the portable libraries, their unit tests, the tools and the Linux integration tests as
# 32-bit x86 programs and runs them with ctest: the code of the 32-bit Windows program with a
# 32-bit size_t, long and pointer.
#
#   test-i386.sh [BUILD-DIR]      (default build-i386)
#
# Where the kernel does not run 32-bit programs itself, it is told to start them through
# qemu-i386-static (a binfmt_misc entry; needs root, made once, kept until the machine restarts).
# Wine does not run under that emulator, so the Windows program is not run here.
set -euo pipefail
cd "$(dirname "$0")/.."
dir="${1:-build-i386}"
jobs=$(nproc)

die() {
    echo "test-i386.sh: $*" >&2
    exit 1
}

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

# --- can this machine run a 32-bit program? --------------------------------------------------
mkdir -p "$dir"
probe="$dir/i386-probe"
echo 'int main() { return sizeof(void*) == 4 ? 0 : 1; }' | g++ -m32 -x c++ - -o "$probe" ||
    die "g++ -m32 cannot build a program (install g++-multilib)"

binfmt=/proc/sys/fs/binfmt_misc
entry="$binfmt/qemu-i386"
qemu=/usr/bin/qemu-i386-static
# The 32-bit x86 ELF header (executables and position-independent ones), as qemu matches it.
magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'

if "$probe" 2>/dev/null; then
    echo "test-i386.sh: the kernel runs 32-bit programs"
else
    [ -x "$qemu" ] || die "the kernel cannot run 32-bit programs and there is no $qemu"
    mountpoint -q "$binfmt" || $SUDO mount -t binfmt_misc binfmt_misc "$binfmt" ||
        die "cannot mount binfmt_misc on $binfmt"
    # An entry of that name that does not run the probe is replaced.
    if [ -e "$entry" ]; then echo -1 | $SUDO tee "$entry" >/dev/null; fi
    # O: the interpreter gets the program open; C: credentials from the program; F: the
    # interpreter is opened now, so it serves in other mount namespaces too.
    echo ":qemu-i386:M::$magic:$mask:$qemu:OCF" | $SUDO tee "$binfmt/register" >/dev/null ||
        die "cannot register $qemu for 32-bit programs"
    "$probe" || die "32-bit programs still do not run through $qemu"
    echo "test-i386.sh: 32-bit programs run through $qemu"
fi

# --- build and test --------------------------------------------------------------------------
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE=cmake/linux-i386.cmake -DZEV_GUI=OFF -DZEV_BENCH=OFF
cmake --build "$dir" -j"$jobs"
ctest --test-dir "$dir" -j"$((jobs * 2))" --output-on-failure
