#!/usr/bin/env bash
# Builds the Debian package into a scratch folder and checks it: the three
# programs, the desktop entry (desktop-file-validate), its MIME types, the
# icons, the man pages, the copyright file, the computed dependencies, and
# that hypsa-grid runs from the unpacked tree.
# usage: check_deb.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "check_deb: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$scratch" > "$scratch/cpack.log" 2>&1 \
  || { cat "$scratch/cpack.log" >&2; fail "cpack failed"; }
debs=("$scratch"/hypsa_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one hypsa_*.deb, found: ${debs[*]}"
deb=${debs[0]}
[[ $(basename "$deb") == "hypsa_${version}_"*.deb ]] || fail "$(basename "$deb") does not carry version $version"

contents=$(dpkg-deb -c "$deb" | awk '{print $NF}')
for path in ./usr/bin/hypsa ./usr/bin/hypsa-grid ./usr/bin/hypsa-render \
            ./usr/share/applications/hypsa.desktop ./usr/share/mime/packages/hypsa.xml ./usr/share/doc/hypsa/copyright \
            ./usr/share/man/man1/hypsa.1.gz ./usr/share/man/man1/hypsa-grid.1.gz ./usr/share/man/man1/hypsa-render.1.gz; do
  grep -qxF "$path" <<<"$contents" || fail "$path is missing"
done
for size in 16 22 24 32 48 64 128 256; do
  grep -qxF "./usr/share/icons/hicolor/${size}x${size}/apps/hypsa.png" <<<"$contents" || fail "the ${size}x${size} icon is missing"
done

dpkg-deb -x "$deb" "$scratch/root"
root=$scratch/root
desktop-file-validate "$root/usr/share/applications/hypsa.desktop" || fail "desktop-file-validate refused the entry"
for type in application/x-ascii-grid application/x-float-grid application/x-esri-ascii-grid image/tiff application/x-srtm-hgt; do
  grep -q "^MimeType=.*$type;" "$root/usr/share/applications/hypsa.desktop" || fail "the entry does not open $type"
done
icon=$(grep '^Icon=' "$root/usr/share/applications/hypsa.desktop" | cut -d= -f2)
[ -f "$root/usr/share/icons/hicolor/48x48/apps/$icon.png" ] || fail "the entry's icon $icon is not installed"
for size in 16 48 256; do
  file "$root/usr/share/icons/hicolor/${size}x${size}/apps/hypsa.png" | grep -q "PNG image data, $size x $size" \
    || fail "the ${size}x${size} icon is not a $size x $size PNG"
done
for page in hypsa hypsa-grid hypsa-render; do
  text=$(zcat "$root/usr/share/man/man1/$page.1.gz" | groff -man -Tutf8 -ww -z 2>&1) || fail "$page.1 does not format"
  [ -z "$text" ] || fail "$page.1: $text"
  zcat "$root/usr/share/man/man1/$page.1.gz" | grep -q "NPR Hypsa Viewer $version" || fail "$page.1 lacks the version"
done

copyright=$root/usr/share/doc/hypsa/copyright
head -n 1 "$copyright" | grep -qxF "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" \
  || fail "the copyright file is not in the machine-readable format"
grep -qx "License: Expat" "$copyright" || fail "the copyright file does not name the MIT (Expat) licence"
for linked in "Qt 6 .*: LGPL-3" "GDAL: MIT"; do
  tr '\n' ' ' < "$copyright" | grep -q "$linked" || fail "the copyright file does not name $linked"
done

depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6core6 libqt6gui6 libqt6widgets6 libqt6openglwidgets6 'libopengl0\|libgl1' libglu1-mesa libegl1 libegl-mesa0 libgl1-mesa-dri libc6 libstdc++6; do
  grep -q "\b\($library\)\b" <<<"$depends" || fail "Depends lacks $library: $depends"
done

out=$("$root/usr/bin/hypsa-grid" --version)
[ "$out" = "hypsa-grid $version" ] || fail "the packaged hypsa-grid says \"$out\""
echo "check_deb: $(basename "$deb") ok; Depends: $depends"
