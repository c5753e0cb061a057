#!/usr/bin/env bash
# Sets up, builds and starts the program.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/tools/setup-debian.sh"
cmake -S "$root" -B "$root/build-release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQEL_TESTS=OFF >/dev/null
cmake --build "$root/build-release" --target haushaltsbuch haushaltsbuch-cli qel-demo-data -- -j"$(nproc)"
exec "$root/build-release/app/haushaltsbuch" "$@"
