#!/usr/bin/env bash
# Builds Quillon's Debian package, installs it with apt-get, checks what it installed (validators,
# files, dependencies), starts the installed /usr/bin/quillon on a virtual X display with the build
# folder moved away, finds its window, its icon and its default picture, then removes the package.
# package-test.sh [BUILD-FOLDER]   (default: build-pkg in the source tree; needs root or sudo)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/x11.sh"
app_id=io.github.quillon.Quillon
title='Quillon v1.2'

# Second stage, run by the first one through with-display.sh: the installed program on Xvfb.
if [ "${1:-}" = --installed-program-on-display ]; then
  workdir=$2
  cd /
  export HOME="$workdir/home" XDG_RUNTIME_DIR="$workdir/runtime" XDG_CONFIG_HOME="$workdir/home/.config"
  mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
  QT_QPA_PLATFORM=xcb /usr/bin/quillon >"$workdir/program.log" 2>&1 &
  program=$!
  trap 'kill $program 2>/dev/null || true' EXIT
  window=$(wait_for_window "^$title\$" $program || true)
  if [ -z "$window" ]; then
    echo "FAIL: the installed program showed no window titled '$title'; its output:"
    cat "$workdir/program.log"
    exit 1
  fi
  echo "ok: window $window titled '$title'"

  # The window icon is compiled in: Qt hands it to X only if it could load it.
  xprop -id "$window" _NET_WM_ICON | grep -q 'Icon (' ||
    { echo "FAIL: the window has no icon (_NET_WM_ICON)"; exit 1; }
  echo "ok: the window has its icon"

  # The default picture is compiled in too: rows of it, flattened on the viewer's white, must appear
  # pixel for pixel in a screenshot of the window.
  sleep 1 # let it paint
  import -window "$window" "$workdir/window.png"
  convert "$workdir/window.png" rgb:- | od -An -tx1 -v | tr -d ' \n' >"$workdir/window.hex"
  for row in 115 125 135; do
    needle=$(convert "$root/resources/default.gif" -background white -flatten -crop "250x1+0+$row" +repage rgb:- |
      od -An -tx1 -v | tr -d ' \n')
    colours=$(fold -w6 <<<"$needle" | sort -u | wc -l)
    [ "$colours" -gt 2 ] || { echo "FAIL: row $row of the default picture is nearly plain; pick another"; exit 1; }
    if ! grep -qF "$needle" "$workdir/window.hex"; then
      cp "$workdir/window.png" "${TMPDIR:-/tmp}/quillon-package-test-window.png"
      echo "FAIL: the default picture is not shown (row $row not found; see ${TMPDIR:-/tmp}/quillon-package-test-window.png)"
      exit 1
    fi
  done
  echo "ok: the default picture is shown"

  # Qt loads the xcb platform plugin and the image readers with dlopen, out of dpkg-shlibdeps' sight;
  # the ones the program loaded must come from packages the installed package depends on.
  depends=$(dpkg-query -W -f='${Depends}' quillon | tr ',|' '\n\n' | sed 's/(.*)//; s/:.*//; s/ //g' | sort -u)
  plugins=$(awk '$6 ~ /\/qt6\/plugins\/(platforms\/libqxcb|imageformats\/libq[a-z0-9]+)\.so$/ {print $6}' \
    /proc/$program/maps | sort -u)
  for wanted in platforms/libqxcb.so imageformats/libqgif.so imageformats/libqwebp.so imageformats/libqtiff.so; do
    grep -q "/$wanted\$" <<<"$plugins" || { echo "FAIL: the program did not load $wanted"; exit 1; }
  done
  for plugin in $plugins; do
    owner=$(dpkg-query -S "$plugin" | cut -d: -f1)
    grep -qx "$owner" <<<"$depends" ||
      { echo "FAIL: plugin $plugin comes from $owner, which quillon does not depend on"; exit 1; }
    echo "ok: $(basename "$plugin") loaded, from $owner, a dependency"
  done

  # End it with its own Exit shortcut (Ctrl+X).
  exit_with_ctrl_x "$window" $program ||
    { echo "FAIL: Ctrl+X did not end the program cleanly"; cat "$workdir/program.log"; exit 1; }
  echo "ok: Ctrl+X ended the program"
  exit 0
fi

build=${1:-"$root/build-pkg"}
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
workdir=$(mktemp -d)
aside=""
installed_by_us=0
fail() {
  echo "$*"
  echo "FAIL: package test"
  exit 1
}
cleanup() {
  [ -n "$aside" ] && [ -d "$aside" ] && mv "$aside" "$build"
  [ "$installed_by_us" -eq 1 ] && "${sudo[@]}" apt-get remove -y -qq quillon >/dev/null 2>&1
  rm -rf "$workdir"
}
trap cleanup EXIT

bash "$root/scripts/setup.sh"

echo "== Building the package in $build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUILLON_TESTS=OFF -DQUILLON_BENCH=OFF >/dev/null
cmake --build "$build" --target quillon -j"$(nproc)" >/dev/null
rm -f "$build"/quillon_*.deb
(cd "$build" && cpack -G DEB >"$workdir/cpack.log" 2>&1) || fail "$(cat "$workdir/cpack.log")
FAIL: cpack -G DEB"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$build/CMakeCache.txt")
deb="$build/quillon_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "FAIL: no $deb; the folder has: $(ls "$build"/*.deb 2>/dev/null)"
echo "ok: $(basename "$deb")"

# What the package holds: the program and its desktop integration, nothing else (no tests, no
# benchmarks, no libraries).
icons=""
for size in 32 48 64 128 256; do icons+="/usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png"$'\n'; done
expected=$(printf '%s\n' /usr/bin/quillon /usr/share/man/man1/quillon.1 "/usr/share/applications/$app_id.desktop" \
  "/usr/share/metainfo/$app_id.metainfo.xml" $icons | sort)
actual=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print substr($6, 2)}' | sort)
[ "$expected" = "$actual" ] || fail "FAIL: the package holds other files than expected:
$(diff <(echo "$expected") <(echo "$actual") || true)"
echo "ok: the package holds the program, its manual page, the .desktop file, the metainfo and 5 icons, nothing else"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Version)" = "$version" ] || fail "FAIL: package version $(field Version), project $version"
[ -n "$(field Maintainer)" ] || fail "FAIL: no Maintainer field"
for package in libqt6core6 libqt6gui6 libqt6widgets6 libturbojpeg0 libheif1 libstdc++6 qt6-qpa-plugins \
  qt6-image-formats-plugins; do
  field Depends | tr ',' '\n' | grep -q "^ *$package\b" || fail "FAIL: Depends lacks $package: $(field Depends)"
done
echo "ok: version $version, maintainer $(field Maintainer)"
echo "ok: Depends: $(field Depends)"

echo "== Installing"
if dpkg-query -W -f='${Status}' quillon 2>/dev/null | grep -q 'install ok installed'; then
  fail "FAIL: a quillon package is installed already; remove it first (apt-get remove quillon)"
fi
installed_by_us=1
(cd "$build" && "${sudo[@]}" apt-get install -y -qq "./$(basename "$deb")" >"$workdir/apt.log" 2>&1) ||
  fail "$(cat "$workdir/apt.log")
FAIL: apt-get install ./$(basename "$deb")"
echo "ok: apt-get install ./$(basename "$deb")"

for file in $expected; do
  [ -f "$file" ] || fail "FAIL: $file is not installed"
done
[ -x /usr/bin/quillon ] || fail "FAIL: /usr/bin/quillon is not executable"
for size in 32 48 64 128 256; do
  file -b "/usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png" | grep -q "PNG image data, $size x $size" ||
    fail "FAIL: the ${size}x${size} icon is not a $size x $size PNG"
done
echo "ok: all $(wc -l <<<"$expected") files installed; the icons have their sizes"

desktop=/usr/share/applications/$app_id.desktop
desktop-file-validate "$desktop" || fail "FAIL: desktop-file-validate $desktop"
grep -qx "Icon=$app_id" "$desktop" || fail "FAIL: the .desktop file's Icon= is not $app_id"
grep -qx 'Exec=quillon %f' "$desktop" || fail "FAIL: the .desktop file's Exec= is not 'quillon %f'"
[ "$(command -v quillon)" = /usr/bin/quillon ] || fail "FAIL: Exec=quillon does not find /usr/bin/quillon"
echo "ok: desktop-file-validate"
# --strict fails on anything but pedantic hints; those are printed for the record (the one left is
# the capitals in the reverse-DNS id, which the program itself announces).
metainfo=/usr/share/metainfo/$app_id.metainfo.xml
appstreamcli validate --no-net --strict --pedantic "$metainfo" || fail "FAIL: appstreamcli validate $metainfo"
release=$(grep -o '<release version="[^"]*"' "$metainfo" | head -1 | cut -d'"' -f2)
[ "$release" = "$version" ] ||
  fail "FAIL: the metainfo's newest release is $release, the project's version $version: add a <release>"
echo "ok: appstreamcli validate; the newest release is $version"
# File managers offer Quillon for every format it opens, by the desktop file and the metainfo alike.
mimetypes=$(sed -n 's/^MimeType=//p' "$desktop")
for type in image/jpeg image/png image/gif image/bmp image/webp image/tiff image/heic image/heif; do
  grep -q "\(^\|;\)$type;" <<<"$mimetypes" || fail "FAIL: the .desktop file's MimeType= lacks $type"
  grep -q "<mediatype>$type</mediatype>" "$metainfo" || fail "FAIL: the metainfo does not provide $type"
done
echo "ok: the desktop file and the metainfo name every format Quillon opens"

# Nothing from the source or build tree: no library from there, no path to there in the program.
ldd /usr/bin/quillon >"$workdir/ldd.txt"
grep -q 'not found' "$workdir/ldd.txt" && fail "FAIL: missing libraries: $(grep 'not found' "$workdir/ldd.txt")"
grep -qF "$root" "$workdir/ldd.txt" && fail "FAIL: the program loads libraries from $root"
grep -qaF "$root" /usr/bin/quillon && fail "FAIL: the installed program names $root"
echo "ok: ldd finds every library, none and no path from $root"

echo "== The installed command line, without a display"
convert -size 640x480 gradient:navy-orange "$workdir/a.jpg"
convert -size 640x480 gradient:navy-orange "$workdir/b.heic"
(cd / && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM /usr/bin/quillon --scale 50 \
  "$workdir/a.jpg" "$workdir/b.heic" >"$workdir/cli.log" 2>&1) || fail "$(cat "$workdir/cli.log")
FAIL: quillon --scale 50 a.jpg b.heic"
for output in "a(QLN).jpg" "b.(QLN).jpg"; do
  [ "$(identify -format '%m %w x %h' "$workdir/$output")" = "JPEG 320 x 240" ] ||
    fail "FAIL: $output is not a 320 x 240 JPEG; the program said: $(cat "$workdir/cli.log")"
done
echo "ok: quillon --scale 50 made 320 x 240 JPEGs of a JPEG and a HEIC photo, no display needed"

echo "== Starting the installed program, the build folder moved away"
aside="$build.aside.$$"
mv "$build" "$aside"
bash "$root/scripts/with-display.sh" bash "$0" --installed-program-on-display "$workdir" ||
  fail "FAIL: the installed program on Xvfb"
mv "$aside" "$build"
aside=""

echo "== Removing"
"${sudo[@]}" apt-get remove -y -qq quillon >"$workdir/apt.log" 2>&1 ||
  fail "$(cat "$workdir/apt.log")
FAIL: apt-get remove quillon"
installed_by_us=0
dpkg-query -W -f='${Status}' quillon 2>/dev/null | grep -q 'install ok installed' &&
  fail "FAIL: quillon is still installed"
for file in $expected; do
  [ -e "$file" ] && fail "FAIL: $file is still there after removal"
done
echo "ok: apt-get remove quillon; /usr/bin/quillon and the other files are gone"

echo "PASS: package test: quillon_${version} builds, validates, installs, starts, shows its window, icon and default picture without the build tree, and uninstalls"
