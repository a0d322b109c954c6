#!/usr/bin/env bash
# Checks a built halvex .deb as a user meets it: lintian finds no error, the package holds
# every program, page and unit with computed dependencies, it installs, and the installed
# files work: halvex --version tells the package's version, halvex --demo filters the sample
# mailbox without a display, halvex-alert and halvex-demo-server run, every manual page
# renders, and the desktop entry, AppStream data and systemd units validate.
#
#   bash tests/packaging/check_package.sh DEB [root|system]
#     root    install with dpkg into a fresh folder made for the test (the default)
#     system  install onto this machine with apt, as a user would (a throwaway CI machine);
#             the package is purged afterwards unless it was installed before
set -uo pipefail

deb="$(realpath "$1")"
mode="${2:-root}"
work="$(mktemp -d)"
failures=0
passes=0

say() { printf '==> %s\n' "$*"; }
pass() { passes=$((passes + 1)); printf 'ok:     %s\n' "$1"; }
fail() { failures=$((failures + 1)); printf 'FAILED: %s\n' "$1"; }
# check WHAT COMMAND...: the command's success is the check.
check() {
  local what="$1"
  shift
  if "$@"; then pass "$what"; else fail "$what"; fi
}

purge_after=false
cleanup() {
  if $purge_after; then
    env DEBIAN_FRONTEND=noninteractive apt-get purge -y -q -o DPkg::Lock::Timeout=300 halvex >/dev/null 2>&1 ||
      echo "warning: could not purge halvex" >&2
  fi
  rm -rf "$work"
}
trap cleanup EXIT

arch="$(dpkg --print-architecture)"
multiarch="$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || echo x86_64-linux-gnu)"

# --- The package file itself -------------------------------------------------------------
say "lintian $(basename "$deb")"
lintian --fail-on error --tag-display-limit 0 "$deb" >"$work/lintian.txt" 2>&1
lintian_rc=$?
cat "$work/lintian.txt"
if [ "$lintian_rc" -eq 0 ]; then pass "lintian reports no error"; else fail "lintian reports errors"; fi

dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$work/contents.txt"
for path in \
  /usr/bin/halvex /usr/bin/halvex-alert /usr/bin/halvex-demo-server \
  "/usr/lib/$multiarch/halvex/libvelmo.so" "/usr/lib/$multiarch/halvex/halvex-window.so" \
  /usr/share/applications/halvex.desktop \
  /usr/share/metainfo/net.tarnell.halvex.metainfo.xml \
  /usr/share/icons/hicolor/48x48/apps/halvex.png /usr/share/icons/hicolor/scalable/apps/halvex.svg \
  /usr/share/doc/halvex/help.htm /usr/share/doc/halvex/copyright \
  /usr/share/halvex/demo-mailbox/01-lunch.eml \
  /usr/share/man/man1/halvex.1.gz /usr/share/man/man1/halvex-alert.1.gz \
  /usr/share/man/man1/halvex-demo-server.1.gz \
  /usr/lib/systemd/user/halvex-once.service /usr/lib/systemd/user/halvex-once.timer; do
  check "package holds $path" grep -qxF "$path" "$work/contents.txt"
done

depends="$(dpkg-deb -f "$deb" Depends)"
echo "Depends: $depends"
# Computed from the binaries: Qt for the windows, OpenSSL for the mail component's TLS.
for library in libqt6widgets6 libssl3 libc6; do
  check "Depends names $library" grep -q "\\b$library\\b" <<<"$depends"
done
check "package is for $arch" test "$(dpkg-deb -f "$deb" Architecture)" = "$arch"

# --- Install -------------------------------------------------------------------------------
root=""
case "$mode" in
  system)
    dpkg-query -W -f='${Status}' halvex 2>/dev/null | grep -q 'install ok installed' || purge_after=true
    say "apt-get install $deb"
    if env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
         -o DPkg::Lock::Timeout=300 "$deb" >"$work/install.txt" 2>&1; then
      pass "apt-get install ./$(basename "$deb")"
    else
      cat "$work/install.txt"
      fail "apt-get install ./$(basename "$deb")"
    fi
    ;;
  root)
    root="$work/root"
    mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
    touch "$root/var/lib/dpkg/status"
    # The libraries it needs are this machine's; the dependencies are checked above.
    say "dpkg -i into $root"
    if dpkg --root="$root" --force-depends --force-script-chrootless --force-not-root \
         --log=/dev/null -i "$deb" >"$work/install.txt" 2>&1; then
      pass "dpkg -i into a fresh root"
    else
      cat "$work/install.txt"
      fail "dpkg -i into a fresh root"
    fi
    ;;
  *)
    echo "usage: check_package.sh DEB [root|system]" >&2
    exit 2
    ;;
esac
usr="$root/usr"

# --- The installed programs, run from the installed files --------------------------------
# A user without a display: only what the test gives it.
home="$work/home"
mkdir -p "$home" "$work/tmp"
as_user=(env -i "HOME=$home" "TMPDIR=$work/tmp" "PATH=/usr/bin:/bin" "LANG=C.UTF-8"
         QT_QPA_PLATFORM=offscreen)

version="$(dpkg-deb -f "$deb" Version)"
check "halvex --version tells $version" \
  test "$("${as_user[@]}" "$usr/bin/halvex" --version 2>&1)" = "halvex $version"

"${as_user[@]}" timeout 120 "$usr/bin/halvex" --demo >"$work/demo.txt" 2>&1
demo_rc=$?
tail -n 3 "$work/demo.txt"
check "halvex --demo ends with status 0 (was $demo_rc)" test "$demo_rc" -eq 0
check "halvex --demo deletes the 13 spam messages" \
  grep -qF "Demo done: 13 of 30 messages deleted on the server as spam, 17 kept." "$work/demo.txt"
check "halvex --demo leaves no account in the user's folder" \
  test ! -e "$home/.local/share/halvex"

alert_out="$("${as_user[@]}" HALVEX_ALERT_AUTOCLOSE_MS=50 timeout 30 "$usr/bin/halvex-alert" \
  'ann@example.net<--->me@example.org<///>Lunch?' 2>&1)"
check "halvex-alert shows its fields" grep -qx "subject: Lunch?" <<<"$alert_out"

# The demo server on a copy of the installed sample mailbox, asked for its message count.
cp -r "$usr/share/halvex/demo-mailbox" "$work/mailbox"
coproc server { "${as_user[@]}" timeout 60 "$usr/bin/halvex-demo-server" --folder "$work/mailbox" 2>&1; }
server_pid=$server_PID
first_line=""
read -r -t 20 first_line <&"${server[0]}"
echo "${first_line:-halvex-demo-server said nothing}"
port="$(sed -n 's/.*127\.0\.0\.1:\([0-9]*\)$/\1/p' <<<"${first_line:-}")"
stat_reply=""
if [ -n "$port" ] && exec 3<>"/dev/tcp/127.0.0.1/$port"; then
  printf 'USER demo\r\nPASS demo\r\nSTAT\r\nQUIT\r\n' >&3
  stat_reply="$(timeout 10 cat <&3 | tr -d '\r' | grep -m1 '^+OK 30 ')"
  exec 3>&-
fi
kill "$server_pid" 2>/dev/null
wait "$server_pid" 2>/dev/null
check "halvex-demo-server serves the 30 sample messages (${stat_reply:-no answer})" test -n "$stat_reply"

# --- Manual pages ------------------------------------------------------------------------
for page in halvex halvex-alert halvex-demo-server; do
  file="$usr/share/man/man1/$page.1.gz"
  text="$(MANWIDTH=80 man --warnings -l "$file" 2>"$work/man-warnings.txt")"
  check "man -l $page.1.gz renders its NAME section" grep -q "^ *$page - " <<<"$text"
  check "man -l $page.1.gz renders without warnings" test ! -s "$work/man-warnings.txt"
  cat "$work/man-warnings.txt"
  # Found by name as a user would ask for it: the system's manual path, or the fresh root's.
  if [ "$mode" = system ]; then
    check "man $page answers" sh -c "MANWIDTH=80 man $page 2>/dev/null | grep -q '^ *$page - '"
  else
    check "man -M ROOT $page answers" sh -c "MANWIDTH=80 man -M '$usr/share/man' $page 2>/dev/null | grep -q '^ *$page - '"
  fi
done
# Every option halvex --help names should be in its manual page. A page behind the program
# is told loudly but does not fail the run: the program is still right.
options="$("$usr/bin/halvex" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u)"
check "halvex --help names its options" test -n "$options"
halvex_page="$(MANWIDTH=200 man -l "$usr/share/man/man1/halvex.1.gz" 2>/dev/null)"
for option in $options; do
  grep -qF -- "$option" <<<"$halvex_page" ||
    echo "WARNING: halvex --help names $option, which halvex(1) does not document yet"
done

# --- Desktop entry, AppStream, systemd units ------------------------------------------------
check "desktop-file-validate halvex.desktop" \
  desktop-file-validate "$usr/share/applications/halvex.desktop"
check "appstreamcli validate the metainfo" \
  appstreamcli validate --no-net "$usr/share/metainfo/net.tarnell.halvex.metainfo.xml"
units="$work/units"
mkdir -p "$units"
# The units name /usr/bin/halvex; in a fresh root that is the root's copy.
for unit in halvex-once.service halvex-once.timer; do
  sed "s|=/usr/bin/|=$usr/bin/|" "$usr/lib/systemd/user/$unit" >"$units/$unit"
done
check "halvex-once.service runs halvex --once" \
  grep -qx "ExecStart=$usr/bin/halvex --once" "$units/halvex-once.service"
if command -v systemd-analyze >/dev/null 2>&1; then
  mkdir -m 700 -p "$work/runtime"
  check "systemd-analyze verify the user units" \
    env XDG_RUNTIME_DIR="$work/runtime" systemd-analyze --user verify --man=no \
      "$units/halvex-once.service" "$units/halvex-once.timer"
else
  echo "skipped: systemd-analyze is not installed"
fi

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
