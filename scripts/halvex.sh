#!/usr/bin/env bash
# Set-up, build, run and test Halvex on Debian 12.
#   bash scripts/halvex.sh run    install what is missing, build, start the halvex demo
#                                 (arguments after "run" go to halvex instead of --demo)
#   bash scripts/halvex.sh test   install what is missing, build, run every test suite
#   bash scripts/halvex.sh bench  also install the benchmarks' peers, build the bench programs
#   bash scripts/halvex.sh package  build the Debian package build-package/halvex_VERSION_ARCH.deb
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
jobs="$(nproc 2>/dev/null || echo 2)"

packages=(
  cmake g++ make ninja-build pkg-config
  qt6-base-dev libgl-dev libxkbcommon-dev libgtest-dev libgmock-dev
  libssl-dev openssl ca-certificates
  dovecot-core dovecot-pop3d
  clang llvm
  python3 libpython3.11-testsuite spamassassin
  xvfb xauth x11-apps x11-utils imagemagick xdg-utils
  ccache
  build-essential debhelper scdoc lintian desktop-file-utils appstream man-db systemd
)

say() { printf '==> %s\n' "$*"; }

# ccache keeps compiled objects between clean clones; paths below the checkout are hashed
# relative to it, so a clone in another folder reuses them.
launcher=()
use_ccache() {
  command -v ccache >/dev/null 2>&1 || return 0
  export CCACHE_BASEDIR="$here" CCACHE_NOHASHDIR=1 CCACHE_MAXSIZE="${CCACHE_MAXSIZE:-8G}"
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
}

setup() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if ((${#missing[@]})); then
    say "installing ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    # Packages whose post-install would start a system service (dovecot) must not fail
    # the install in a container without an init system.
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
  fi
}

# configure_and_build DIR [cmake options...]
configure_and_build() {
  local dir="$1"
  shift
  use_ccache
  cmake -S "$here" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

run_tests() {
  local dir="$1" label="$2"
  local t=$SECONDS rc=0
  say "tests: $label"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs" --timeout 600 || rc=$?
  say "tests: $label took $((SECONDS - t)) s"
  return "$rc"
}

# Peers that only the benchmark programs compare against.
bench_packages=(libgmime-3.0-dev mailfilter mpop python3)

cmd_bench() {
  packages+=("${bench_packages[@]}")
  setup
  configure_and_build "$here/build" -DHALVEX_BENCH=ON
  say "benchmark programs are in $here/build/bin (see README, Benchmarks)"
}

# The Debian package, built by debhelper (debian/) from a copy of the checkout, so that the
# package and its by-products land in build-package/ and nothing beside the checkout.
build_package() {
  local out="$here/build-package"
  local src="$out/halvex"
  rm -rf "$out"
  mkdir -p "$src"
  tar -C "$here" --exclude='./build*' --exclude=./.git --exclude=./.cache -cf - . | tar -C "$src" -xf -
  use_ccache
  # debhelper gives the build a HOME of its own inside the copy: name the cache outright.
  if command -v ccache >/dev/null 2>&1; then
    CCACHE_DIR="${CCACHE_DIR:-$(ccache -k cache_dir)}"
    export CCACHE_DIR
  fi
  local t=$SECONDS
  if ! (cd "$src" && DEB_BUILD_OPTIONS="parallel=$jobs ${DEB_BUILD_OPTIONS:-}" \
          dpkg-buildpackage -b -us -uc) >"$out/build.log" 2>&1; then
    tail -n 40 "$out/build.log" >&2
    say "package build FAILED (whole log: $out/build.log)"
    return 1
  fi
  rm -rf "$src"
  say "package built in $((SECONDS - t)) s: $(cd "$out" && ls halvex_*.deb)"
}

cmd_package() {
  setup
  build_package
}

cmd_run() {
  setup
  configure_and_build "$here/build"
  # With no arguments: the demo, on a sample mailbox in temporary folders.
  (($#)) || set -- --demo
  say "starting halvex $*"
  exec "$here/build/bin/halvex" "$@"
}

cmd_test() {
  setup
  local status=0
  local started=$SECONDS
  say "build: normal"
  configure_and_build "$here/build-test/normal" -DHALVEX_BENCH=OFF
  run_tests "$here/build-test/normal" "normal build" || status=1

  # On CI's throwaway machine the package is installed as a user would (apt); elsewhere it
  # goes into a fresh folder made for the test.
  say "package: build, lintian, install, run"
  local install_mode=root
  [ "${CI:-}" = true ] && install_mode=system
  if build_package; then
    bash "$here/tests/packaging/check_package.sh" "$here"/build-package/halvex_*.deb \
      "${HALVEX_PACKAGE_INSTALL:-$install_mode}" || status=1
  else
    status=1
  fi

  say "build: AddressSanitizer + UndefinedBehaviorSanitizer"
  configure_and_build "$here/build-test/asan" -DHALVEX_SANITIZE=ON -DHALVEX_BENCH=OFF
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    run_tests "$here/build-test/asan" "sanitizer build" || status=1

  say "build: ThreadSanitizer (component)"
  configure_and_build "$here/build-test/tsan" -DHALVEX_TSAN=ON -DHALVEX_COMPONENT_ONLY=ON -DHALVEX_BENCH=OFF
  TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
    run_tests "$here/build-test/tsan" "thread sanitizer build" || status=1

  say "fuzzers (clang): corpus replay and a bounded run of each target"
  HALVEX_JOBS="$jobs" bash "$here/fuzz/run_fuzzers.sh" "${HALVEX_FUZZ_SECONDS:-60}" "$here/build-test/fuzz" || status=1

  say "test run took $(((SECONDS - started) / 60)) min"
  if [ "$status" -eq 0 ]; then say "all test suites passed"; else say "some test suite FAILED"; fi
  return "$status"
}

case "${1:-}" in
  run) shift; cmd_run "$@" ;;
  test) shift; cmd_test "$@" ;;
  bench) shift; cmd_bench "$@" ;;
  package) shift; cmd_package ;;
  setup) setup ;;
  *) echo "usage: bash scripts/halvex.sh run|test|bench|package|setup" >&2; exit 2 ;;
esac
