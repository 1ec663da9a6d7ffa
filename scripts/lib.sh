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
