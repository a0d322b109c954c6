#!/bin/sh
# The program copied away from its window module: --version and --once must not need it (they
# start without the window system's libraries), and a window start says why it cannot go on.
# $1: the build's bin folder.
set -u
bin="$1"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
cp "$bin/halvex" "$bin/libvelmo.so" "$dir/"
fail=0
no() { echo "FAIL: $*"; fail=1; }
export HALVEX_HOME="$dir/home" XDG_CONFIG_HOME="$dir/config" QT_QPA_PLATFORM=offscreen

readelf -d "$bin/halvex" | grep -E 'NEEDED.*(Qt6Widgets|Qt6Gui)' && no "halvex links the window libraries"

"$dir/halvex" --version >"$dir/out.txt" 2>&1 || { cat "$dir/out.txt"; no "--version needed the window module"; }

"$dir/halvex" --once >"$dir/out.txt" 2>&1
rc=$?
# No account: the status 2 of --once, reached without the module.
{ [ "$rc" -eq 2 ] && grep -q "no account" "$dir/out.txt"; } || { cat "$dir/out.txt"; no "--once without the module ended $rc"; }

timeout 30 "$dir/halvex" >"$dir/out.txt" 2>&1
rc=$?
{ [ "$rc" -eq 1 ] && grep -q "cannot load the window module" "$dir/out.txt"; } ||
  { cat "$dir/out.txt"; no "the window without its module ended $rc"; }

[ "$fail" -eq 0 ] && echo "passed"
exit "$fail"
