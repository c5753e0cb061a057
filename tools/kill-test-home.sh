# Sourced by the tests that kill haushaltsbuch-cli at its file system steps, with $name (for
# messages) and $build set: the programs of the build, and a private home with its own
# configuration and runtime folders in $work, removed when the test ends.
cli="$build/cli/haushaltsbuch-cli"
demo="$build/tools/qel-demo-data"
shim="$build/tests/libqel_kill_shim.so"
for file in "$cli" "$demo" "$shim"; do
  [ -e "$file" ] || { echo "$name: $file is missing; build first" >&2; exit 2; }
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/run" LC_ALL=C.UTF-8
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
