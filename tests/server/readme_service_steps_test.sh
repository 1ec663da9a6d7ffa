#!/usr/bin/env bash
# The main README's steps that start the update service after the release
# build, run as written: the lines of its load section that use
# scripts/update-service are run in order (with this test's build folder in
# place of build/native-release, and a run folder of its own), the service
# must answer on loopback, and the build line must build every target the
# start step needs.
#
#   readme_service_steps_test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
SOURCE_DIR=$1
BUILD_DIR=$2
README=$SOURCE_DIR/README.md

# The indented lines of the section "The update service under load".
section=$(awk '/^### The update service under load/ { on = 1; next } /^#/ { on = 0 } on && /^    / { sub(/^    /, ""); print }' "$README")
build_line=$(grep -m1 '^cmake --build build/native-release' <<<"$section") || {
    echo "FAIL: the load section has no build line for build/native-release" >&2; exit 1; }
for target in tdu-update-service tdu_demo_packages; do
    grep -qw -- "$target" <<<"$build_line" || { echo "FAIL: the build line does not build $target" >&2; exit 1; }
done
steps=$(grep -E 'scripts/update-service|^curl ' <<<"$section") || {
    echo "FAIL: the load section does not say how to start the service" >&2; exit 1; }
grep -q 'start' <<<"$steps" && grep -q 'stop' <<<"$steps" || {
    echo "FAIL: the load section does not start and stop the service" >&2; exit 1; }

run_dir=$(mktemp -d)
export TDU_RUN_DIR=$run_dir
cleanup() {
    TDU_SERVICE_BUILD=$BUILD_DIR "$SOURCE_DIR/scripts/update-service" stop || true
    rm -rf "$run_dir"
}
trap cleanup EXIT
cd "$SOURCE_DIR"
# The build folder as the README gives it: relative to the source folder.
script=${steps//build\/native-release/$(realpath --relative-to="$SOURCE_DIR" "$BUILD_DIR")}
# The URL is printed by the service's start and must be a loopback one;
# curl is told to fail on an error status and to give up after 10 s.
script=${script//curl /curl -sf --max-time 10 }
echo "$script"
bash -euo pipefail -c "$script" >"$run_dir/out" || { cat "$run_dir/out"; echo "FAIL: the steps did not run" >&2; exit 1; }
# Every package folder of the demo catalogue is indexed.
packages=$(find "$SOURCE_DIR/server/demo/packages" -mindepth 1 -maxdepth 1 -type d | wc -l)
grep -q "^tdu-update-service: $packages packages" "$run_dir/out" || {
    cat "$run_dir/out"; echo "FAIL: the service did not answer with the demo catalogue" >&2; exit 1; }
echo "PASS"
