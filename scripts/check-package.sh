#!/usr/bin/env bash
# The package tests. check-package.sh build BUILD_DIR OUT_DIR: packs what the build holds (no rebuild when
# it is up to date). contents OUT_DIR: the package's file list, control fields, desktop entry and that the
# packed programs run. lintian OUT_DIR: no lintian error (skipped, exit 77, without lintian).
set -euo pipefail
step=$1
fail() { echo "check-package: $*" >&2; exit 1; }

if [[ $step == build ]]; then
    rm -rf "$3" && mkdir -p "$3"
    (cd "$2" && cpack -G DEB -B "$3" >"$3/cpack.txt") || { cat "$3/cpack.txt"; exit 1; }
    exit 0
fi
out=$2
shopt -s nullglob
debs=("$out"/orvane-service-kit_*_amd64.deb)
((${#debs[@]} == 1)) || fail "expected one package in $out, found ${#debs[@]}"
deb=${debs[0]}

if [[ $step == lintian ]]; then
    command -v lintian >/dev/null || exit 77
    # Errors fail; warnings are printed for whoever reads the log.
    lintian --fail-on error --tag-display-limit 0 "$deb"
    exit 0
fi

[[ $step == contents ]] || fail "unknown step $step"
version=$(dpkg-deb -f "$deb" Version)
[[ $(basename "$deb") == "orvane-service-kit_${version}_amd64.deb" ]] || fail "file name $(basename "$deb")"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6widgets6 libqt6serialport6 libdeflate0 libc6; do
    [[ $depends == *"$library"* ]] || fail "Depends lacks $library: $depends"
done

tree="$out/tree"
rm -rf "$tree" && dpkg-deb -x "$deb" "$tree"
files=$(dpkg-deb -c "$deb" | awk '{ print $6 }' | sed 's|^\./|/|')
outside=$(grep -v -e '^/usr/' -e '^/$' <<<"$files" || true)
[[ -z $outside ]] || fail "files outside /usr: $outside"

desktop=("$tree"/usr/share/applications/*.desktop)
((${#desktop[@]} == 1)) || fail "expected one desktop entry"
desktop-file-validate "${desktop[0]}"
exec_program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "${desktop[0]}")
icon=$(sed -n 's/^Icon=//p' "${desktop[0]}")
[[ -x $tree/usr/bin/$exec_program ]] || fail "Exec=$exec_program is not a packed program"
[[ -f $tree/usr/share/icons/hicolor/scalable/apps/$icon.svg ]] || fail "no scalable icon $icon"
for size in 16 32 48 128 256; do
    png="$tree/usr/share/icons/hicolor/${size}x${size}/apps/$icon.png"
    [[ $(file -b "$png") == *"PNG image data, $size x $size"* ]] || fail "icon $png: $(file -b "$png")"
done
metainfo=("$tree"/usr/share/metainfo/*.metainfo.xml)
grep -q "<launchable type=\"desktop-id\">$(basename "${desktop[0]}")</launchable>" "${metainfo[0]}" ||
    fail "the metainfo does not launch $(basename "${desktop[0]}")"
grep -q "release version=\"$version\"" "${metainfo[0]}" || fail "the metainfo's release is not $version"
[[ -f $tree/usr/share/doc/orvane-service-kit/copyright ]] || fail "no copyright file"

# Every packed program has its manual page and answers --version with the package's version.
programs=("$tree"/usr/bin/*)
((${#programs[@]} >= 5)) || fail "only ${#programs[@]} programs packed"
for program in "${programs[@]}"; do
    name=$(basename "$program")
    [[ -f $tree/usr/share/man/man1/$name.1.gz ]] || fail "no manual page for $name"
    [[ $(zcat "$tree/usr/share/man/man1/$name.1.gz") == *"$version"* ]] || fail "$name.1 lacks $version"
    [[ $("$program" --version) == "$name $version" ]] || fail "$name --version: $("$program" --version)"
    "$program" --help | grep -q . || fail "$name --help says nothing"
done
echo "package $(basename "$deb"): ${#programs[@]} programs, Depends: $depends"
