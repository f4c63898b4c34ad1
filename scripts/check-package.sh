#!/usr/bin/env bash
# Builds the Debian package of the bench in ./build and checks it without
# installing it on this machine: its contents and dependencies, then its files
# unpacked into a scratch root, where ecfsim answers --version and status,
# meu_proj finds the packaged driver library, the launcher puts the printer's
# memory in the user's data folder and the manual pages render.
#
#   scripts/check-package.sh            (after scripts/install-deps.sh --tests)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/configure.sh
configure . build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target meu_proj fiscport ecfsim ecfpainel manpages
rm -f build/bancada-ecf_*.deb
(cd build && cpack -G DEB >/dev/null)
deb=$(ls build/bancada-ecf_*.deb)
echo "package: $deb"

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || gcc -print-multiarch)
for f in ./usr/bin/meu_proj ./usr/bin/ecfsim ./usr/bin/ecfpainel ./usr/bin/bancada-ecf \
    "./usr/lib/$multiarch/bancada-ecf/libfiscport.so" \
    ./usr/share/applications/bancada-ecf.desktop \
    ./usr/share/icons/hicolor/48x48/apps/bancada-ecf.png \
    ./usr/share/icons/hicolor/256x256/apps/bancada-ecf.png \
    ./usr/share/icons/hicolor/scalable/apps/bancada-ecf.svg \
    ./usr/share/man/man1/meu_proj.1.gz ./usr/share/man/man1/ecfsim.1.gz \
    ./usr/share/doc/bancada-ecf/copyright; do
    grep -qxF "$f" <<<"$contents" || fail "not in the package: $f"
done
# Nothing of the build's tests or benchmarks.
grep -E 'tests|bench|emu_writer|\.a$' <<<"$contents" && fail "test or build files in the package"

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
names=$(sed -e 's/ *([^)]*)//g' -e 's/, */\n/g' <<<"$depends")
for d in libc6 libqt6widgets6 libqt6gui6 libqt6core6 libsqlite3-0 libstdc++6 qt6-qpa-plugins; do
    grep -qxF "$d" <<<"$names" || fail "no dependency on $d"
done

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root/pkg"

# ecfsim from the package: its version, and status on a memory it made.
version=$("$root/pkg/usr/bin/ecfsim" --version) || fail "ecfsim --version failed"
[ "$version" = "ecfsim $(dpkg-deb -f "$deb" Version)" ] || fail "ecfsim --version says '$version'"
mkdir -p "$root/work"
(cd "$root/work" && "$root/pkg/usr/bin/ecfsim" set paper ok >/dev/null 2>&1) || fail "ecfsim set failed"
status=$(cd "$root/work" && "$root/pkg/usr/bin/ecfsim" status) || fail "ecfsim status failed"
grep -q "^Memória        $root/work/ecfsim.db" <<<"$status" || fail "ecfsim status: $status"

# meu_proj loads the driver library of the package, found from where it lies.
resolved=$(ldd "$root/pkg/usr/bin/meu_proj" | awk '$1 == "libfiscport.so" {print $3}')
[ -n "$resolved" ] && resolved=$(realpath "$resolved")
[ "$resolved" = "$root/pkg/usr/lib/$multiarch/bancada-ecf/libfiscport.so" ] ||
    fail "meu_proj loads libfiscport.so from '$resolved'"
ldd "$root/pkg/usr/bin/meu_proj" | grep -q "not found" && fail "meu_proj misses a library"

# The menu entry starts the launcher, which runs the program in the user's
# data folder; the program is still up (at its port question) when stopped.
grep -qx "Exec=bancada-ecf" "$root/pkg/usr/share/applications/bancada-ecf.desktop" ||
    fail "the menu entry does not start the launcher"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$root/pkg/usr/share/applications/bancada-ecf.desktop" || fail "desktop entry invalid"
fi
sed "s|/usr/bin/meu_proj|$root/pkg/usr/bin/meu_proj|" "$root/pkg/usr/bin/bancada-ecf" >"$root/launcher"
chmod +x "$root/launcher"
code=0
(cd / && HOME="$root/home" XDG_DATA_HOME= QT_QPA_PLATFORM=offscreen timeout 5 "$root/launcher") \
    >"$root/launcher.log" 2>&1 || code=$?
[ "$code" -eq 124 ] || { fail "the program did not stay up from the launcher (exit $code)"; cat "$root/launcher.log" >&2; }
[ -d "$root/home/.local/share/bancada-ecf" ] || fail "no data folder made by the launcher"
code=0
(cd / && HOME="$root/home" XDG_DATA_HOME="$root/data" QT_QPA_PLATFORM=offscreen timeout 2 "$root/launcher") \
    >/dev/null 2>&1 || code=$?
[ -d "$root/data/bancada-ecf" ] || fail "the launcher ignores XDG_DATA_HOME"

# The manual pages render, in Portuguese.
for page in ecfsim meu_proj; do
    text=$(MANWIDTH=80 man -l "$root/pkg/usr/share/man/man1/$page.1.gz" 2>&1) || fail "man $page failed"
    grep -q "NOME" <<<"$text" || fail "man $page: no NOME section"
    grep -q "troff:.*warning" <<<"$text" && fail "man $page: $text"
done
MANWIDTH=80 man -l "$root/pkg/usr/share/man/man1/ecfsim.1.gz" | grep -q -- "--version" ||
    fail "man ecfsim does not show --version"

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)" >&2
    exit 1
fi
echo "package checked: $(basename "$deb")"
