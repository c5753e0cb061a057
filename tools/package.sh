#!/usr/bin/env bash
# Sets up, builds and packages the program as a Debian package:
#   bash tools/package.sh [build folder, default build-package]
# The package lands in the build folder as haushaltsbuch_VERSION_ARCH.deb.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build=${1:-build-package}
[[ $build = /* ]] || build=$root/$build

bash "$root/tools/setup-debian.sh"

# Debian's hardening flags, as a package built by Debian's own tools would get them.
export CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
export LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DQEL_TESTS=OFF -DQEL_BENCH=OFF >/dev/null
cmake --build "$build" -- -j"$(nproc)"
(cd "$build" && cpack -G DEB >/dev/null)
ls "$build"/haushaltsbuch_*.deb
