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
