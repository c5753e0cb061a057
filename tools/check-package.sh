#!/usr/bin/env bash
# Checks the Debian package that tools/package.sh built, as a distribution would: the desktop
# entry and the AppStream file validate, the package holds every file a user needs, lintian
# finds no errors, and the programs run from an unpacked copy.
#   bash tools/check-package.sh [build folder, default build-package]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build=${1:-build-package}
[[ $build = /* ]] || build=$root/$build
app_id=de.orvo.Haushaltsbuch

desktop-file-validate "$root/resources/linux/$app_id.desktop"
appstreamcli validate --no-net "$build/package/$app_id.metainfo.xml"

debs=("$build"/haushaltsbuch_*.deb)
deb=${debs[0]}
[ -f "$deb" ] || { echo "no package in $build"; exit 1; }
contents=$(dpkg-deb -c "$deb")
# Printing and sound, loaded by the program when first needed.
modules="usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/haushaltsbuch"
echo "$contents" | awk '{print $6}'
for file in usr/bin/haushaltsbuch usr/bin/haushaltsbuch-cli usr/share/haushaltsbuch/QEL.chm \
    "usr/share/applications/$app_id.desktop" "usr/share/metainfo/$app_id.metainfo.xml" \
    "usr/share/icons/hicolor/scalable/apps/$app_id.svg" "usr/share/icons/hicolor/48x48/apps/$app_id.png" \
    "usr/share/icons/hicolor/256x256/apps/$app_id.png" usr/share/man/man1/haushaltsbuch.1.gz \
    usr/share/man/man1/haushaltsbuch-cli.1.gz usr/share/doc/haushaltsbuch/copyright \
    "$modules/libqel_print.so" "$modules/libqel_sound.so"; do
  grep -q " \./$file\$" <<<"$contents" || { echo "the package lacks $file"; exit 1; }
done
dpkg-deb -f "$deb" Depends

# lintian: errors fail, warnings are listed.
lintian --fail-on error --tag-display-limit 0 "$deb"

root_dir=$(mktemp -d "${TMPDIR:-/tmp}/qel-deb.XXXXXX")
trap 'rm -rf "$root_dir"' EXIT
dpkg -x "$deb" "$root_dir"
export XDG_RUNTIME_DIR="$root_dir/run"; mkdir -m 700 "$XDG_RUNTIME_DIR"
"$root_dir/usr/bin/haushaltsbuch-cli" --version
"$root_dir/usr/bin/haushaltsbuch" --version
HOME="$root_dir/home" XDG_CONFIG_HOME="$root_dir/home/.config" XDG_DOCUMENTS_DIR="$root_dir/home/Dokumente" \
  "$root_dir/usr/bin/haushaltsbuch-cli" --data-dir "$root_dir/home/Daten" books
echo "Paket in Ordnung: $(basename "$deb")"
