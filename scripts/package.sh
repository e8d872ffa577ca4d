#!/usr/bin/env bash
# Builds the Debian package morvo3_<version>-1_<arch>.deb with CPack.
#
#   scripts/package.sh [--build DIR] [--out DIR] [--lintian]
#
# Configures the build folder (default build/) when needed, builds the three
# programs and the compressed pages, and writes the package to the out folder
# (default out/). --lintian runs lintian on it afterwards and fails on errors.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

build="$root/build"
out="$root/out"
run_lintian=0
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build=$(realpath -m "$2"); shift 2 ;;
    --out) out=$(realpath -m "$2"); shift 2 ;;
    --lintian) run_lintian=1; shift ;;
    -h|--help) sed -n '2,8p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "package.sh: unknown argument: $1" >&2; exit 2 ;;
  esac
done

for tool in cpack dpkg-deb dpkg-shlibdeps; do
  command -v "$tool" >/dev/null || { echo "package.sh: $tool is missing (scripts/install-deps.sh installs it)" >&2; exit 2; }
done

jobs=${MORVO3_JOBS:-$(nproc)}
if [ ! -f "$build/CPackConfig.cmake" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j"$jobs" --target morvo3 morvo3-cli morvo3-sim morvo3_package_files

mkdir -p "$out"
# The files' owner in the package is root whoever builds it (CPack's DEB
# generator writes root:root); a umask of 022 keeps group-writable bits out.
umask 022
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" >/dev/null
rm -rf "$out/_CPack_Packages"
deb=$(ls -t "$out"/morvo3_*.deb | head -n 1)
echo "$deb"

if [ "$run_lintian" -eq 1 ]; then
  command -v lintian >/dev/null || { echo "package.sh: lintian is missing" >&2; exit 2; }
  lintian --fail-on error "$deb" >&2
fi
