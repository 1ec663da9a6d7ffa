# Shared helpers for the project's scripts: paths, stage timing, logging.
# Sourced, never run.

TDU_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# Cross-built Windows libraries and the Wine prefix live in git-ignored
# folders of the work tree; both can be pointed elsewhere (a second work tree
# can share the first one's).
: "${TDU_DEPS:=$TDU_ROOT/.deps}"
: "${TDU_WINEPREFIX:=$TDU_ROOT/.wine}"
: "${TDU_BUILD:=$TDU_ROOT/build}"
export TDU_ROOT TDU_DEPS TDU_WINEPREFIX TDU_BUILD

# The two Windows builds. x86 is the 32-bit program (build/windows, prefix
# .wine, libraries .deps/mingw32); x64 the 64-bit one (build/windows-x64,
# prefix .wine64, libraries .deps/mingw64). `tdu_arch_vars ARCH` sets, for
# one of them: TDU_HOST (the mingw triple), TDU_PRESET (configure, build and
# test preset), TDU_ARCH_BUILD (its build folder), TDU_ARCH_PREFIX (its Wine
# prefix), TDU_WINEARCH and TDU_ARCH_DEPS (its cross-built libraries).
tdu_arch_vars() {
    case "$1" in
        x86)
            TDU_HOST=i686-w64-mingw32 TDU_PRESET=windows
            TDU_ARCH_BUILD=$TDU_BUILD/windows TDU_ARCH_PREFIX=$TDU_WINEPREFIX
            TDU_WINEARCH=win32 TDU_ARCH_DEPS=$TDU_DEPS/mingw32 ;;
        x64)
            TDU_HOST=x86_64-w64-mingw32 TDU_PRESET=windows-x64
            TDU_ARCH_BUILD=$TDU_BUILD/windows-x64 TDU_ARCH_PREFIX=${TDU_WINEPREFIX64:-${TDU_WINEPREFIX}64}
            TDU_WINEARCH=win64 TDU_ARCH_DEPS=$TDU_DEPS/mingw64 ;;
        *) echo "unknown architecture '$1' (x86 or x64)" >&2; return 2 ;;
    esac
}

# Whether this machine executes 32-bit x86 code. Some kernels refuse it
# (IA-32 emulation off: an i386 execve fails with ENOEXEC), and then Wine's
# 32-bit loader cannot start. The test is a 32-bit ELF program of 84 bytes
# that only exits with code 42. TDU_NO_32BIT=1 answers "no" on any machine,
# so the 64-bit-only path can be tried everywhere.
tdu_runs_32bit() {
    [ "${TDU_NO_32BIT:-}" != 1 ] || return 1
    if [ -z "${TDU_RUNS_32BIT_CACHED:-}" ]; then
        local probe rc=0
        probe=$(mktemp "${TMPDIR:-/tmp}/tdu-ia32.XXXXXX")
        python3 - "$probe" <<'PY'
import struct, sys
code = bytes([0xb8, 1, 0, 0, 0, 0xbb, 42, 0, 0, 0, 0xcd, 0x80])  # exit(42) via int 0x80
base, size = 0x08048000, 52 + 32 + 12
ident = b"\x7fELF" + bytes([1, 1, 1, 0]) + bytes(8)
header = ident + struct.pack("<HHIIIIIHHHHHH", 2, 3, 1, base + 84, 52, 0, 0, 52, 32, 1, 0, 0, 0)
program = struct.pack("<IIIIIIII", 1, 0, base, base, size, size, 5, 0x1000)
open(sys.argv[1], "wb").write(header + program + code)
PY
        chmod +x "$probe"
        "$probe" 2>/dev/null || rc=$?
        rm -f "$probe"
        if [ "$rc" = 42 ]; then TDU_RUNS_32BIT_CACHED=yes; else TDU_RUNS_32BIT_CACHED=no; fi
        export TDU_RUNS_32BIT_CACHED
    fi
    [ "$TDU_RUNS_32BIT_CACHED" = yes ]
}

# The architectures whose Windows programs this machine can run under Wine,
# in the order they are tested: "x86 x64", or "x64" without 32-bit execution.
tdu_runnable_arches() {
    if tdu_runs_32bit; then echo "x86 x64"; else echo "x64"; fi
}

# The build a script runs when not told: x86 where 32-bit code runs, else x64.
tdu_default_arch() {
    if tdu_runs_32bit; then echo x86; else echo x64; fi
}

# The one line a script prints where the x86 build is compiled but not run.
tdu_no_32bit_note() {
    if [ "${TDU_NO_32BIT:-}" = 1 ]; then
        echo "note: TDU_NO_32BIT=1: treated as a machine without 32-bit execution; the x86 build is compiled but not run"
    else
        echo "note: this machine does not execute 32-bit x86 code (IA-32 emulation off); the x86 build is compiled but not run"
    fi
}

tdu_log() { printf '[%s] %s\n' "$(date +%H:%M:%S)" "$*"; }

# Stage timing: `stage_begin NAME` ... `stage_end`; `stage_report` prints all.
TDU_STAGES=()
stage_begin() { TDU_STAGE_NAME=$1; TDU_STAGE_T0=$(date +%s); tdu_log "stage: $1"; }
stage_end() {
    local dt=$(( $(date +%s) - TDU_STAGE_T0 ))
    TDU_STAGES+=("$(printf '%-28s %5ds' "$TDU_STAGE_NAME" "$dt")")
    tdu_log "stage done: $TDU_STAGE_NAME (${dt}s)"
}
stage_report() {
    echo "---- stage times ----"
    local s
    for s in "${TDU_STAGES[@]}"; do echo "$s"; done
}

# Servers that refuse to run as root (PostgreSQL) or need not (nginx) run
# as the system user "tdu-service" when the scripts run as root; it is made
# when missing. `as_owner CMD...` runs a command as that user (or as the
# caller when not root); `own_folder DIR` hands a folder to it.
TDU_SERVICE_USER=tdu-service
as_owner() {
    if [ "$(id -u)" = 0 ]; then
        runuser -u "$TDU_SERVICE_USER" -- "$@"
    else
        "$@"
    fi
}
own_folder() {
    [ "$(id -u)" = 0 ] || return 0
    id "$TDU_SERVICE_USER" >/dev/null 2>&1 ||
        useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$TDU_SERVICE_USER"
    chown -R "$TDU_SERVICE_USER" "$1"
}

# A free TCP port of 127.0.0.1.
free_port() {
    python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'
}

# tdu_answer_key_pair FOLDER NAME: the signing key of a stand-in update
# service run. Prints the secret key file: the one TDU_SERVICE_SECRET_KEY
# names, else FOLDER/NAME.key, made now (minisign -G -W, unencrypted) when
# there is none. The public key lands in FOLDER/NAME.pub.
tdu_answer_key_pair() {
    local folder=$1 name=$2 secret=${TDU_SERVICE_SECRET_KEY:-}
    if [ -n "$secret" ]; then
        [ -f "$secret" ] || { echo "no secret key file $secret (TDU_SERVICE_SECRET_KEY)" >&2; return 1; }
        secret=$(realpath -- "$secret")
    else
        secret=$folder/$name.key
        if [ ! -f "$secret" ]; then
            minisign -G -W -f -s "$secret" -p "$folder/$name.pub" >/dev/null 2>&1 || {
                echo "minisign could not make a key pair in $folder" >&2
                return 1
            }
        fi
    fi
    rm -f "$folder/$name.pub"
    minisign -R -s "$secret" -p "$folder/$name.pub" >/dev/null 2>&1 || {
        echo "minisign could not read the secret key $secret" >&2
        return 1
    }
    echo "$secret"
}
