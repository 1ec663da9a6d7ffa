#!/usr/bin/env bash
# scripts/postgres started as root in a folder the server's user cannot
# enter (a checkout cloned into root's home): the cluster goes to a folder
# of that user's own, answers on its url, and stops. Skipped (77) unless
# run as root, where the server runs as another user.
set -euo pipefail
root=$1
[ "$(id -u)" = 0 ] || { echo "not root: the server runs as this user, who can enter its own folders"; exit 77; }
closed=$(mktemp -d)   # 0700, root's: the server's user cannot enter it
dir=$closed/checkout/build/postgres
cleanup() {
    "$root/scripts/postgres" stop "$dir" >/dev/null 2>&1 || true
    [ ! -f "$dir/cluster" ] || rm -rf "$(cat "$dir/cluster")"
    rm -rf "$closed"
}
trap cleanup EXIT
chmod 700 "$closed"
mkdir -p "$dir"

eval "$("$root/scripts/postgres" start "$dir")"
[ -f "$dir/cluster" ] || { echo "FAIL: no cluster folder was named in $dir/cluster"; exit 1; }
home=$(cat "$dir/cluster")
case $home in "$closed"/*) echo "FAIL: the cluster stayed in the closed folder: $home"; exit 1 ;; esac
[ "$(cat "$dir/url")" = "$TDU_POSTGRES_URL" ] || { echo "FAIL: the url file differs from the printed url"; exit 1; }
bin=/usr/lib/postgresql/$(ls /usr/lib/postgresql | sort -n | tail -1)/bin
answer=$("$bin/psql" "$TDU_POSTGRES_URL" -Atc 'select 40 + 2')
[ "$answer" = 42 ] || { echo "FAIL: the server answered '$answer'"; exit 1; }

"$root/scripts/postgres" stop "$dir"
[ ! -f "$home/data/postmaster.pid" ] || { echo "FAIL: the server still runs after stop"; exit 1; }
# Started again, the same cluster (its data kept) runs from the same folder.
eval "$("$root/scripts/postgres" start "$dir")"
[ "$(cat "$dir/cluster")" = "$home" ] || { echo "FAIL: a second start moved the cluster"; exit 1; }
"$bin/psql" "$TDU_POSTGRES_URL" -Atc 'select 1' >/dev/null
echo "PASS: the cluster of a closed folder ran from $home"
