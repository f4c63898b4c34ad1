#!/usr/bin/env bash
# Builds the Debian package of the bench in ./build and checks it without
# installing it on this machine: lintian finds no error and no warning, then
# its contents and dependencies, then its files unpacked into a scratch root,
# where every program reports the package's version, ecfsim answers status,
# meu_proj finds the packaged driver library, the launcher puts the printer's
# memory in the user's data folder, and the manual pages and the changelog
# render and say the package's version.
#
#   scripts/check-package.sh            (after scripts/install-deps.sh --tests)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/configure.sh
configure . build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target meu_proj fiscport ecfsim ecfpainel manpages changelog
rm -f build/bancada-ecf_*.deb
(cd build && cpack -G DEB >/dev/null)
deb=$(ls build/bancada-ecf_*.deb)
echo "package: $deb"

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# Debian's own checks, as a packager runs them; an override belongs in the
# package's overrides file with a comment saying why it is right.
if command -v lintian >/dev/null; then
    if ! report=$(lintian --fail-on error,warning --color never "$deb" 2>&1); then
        fail "lintian: $(grep -v "running with root privileges" <<<"$report")"
    fi
else
    fail "lintian is not installed (scripts/install-deps.sh --tests)"
fi

contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || gcc -print-multiarch)
for f in ./usr/bin/meu_proj ./usr/bin/ecfsim ./usr/bin/ecfpainel ./usr/bin/bancada-ecf \
    "./usr/lib/$multiarch/bancada-ecf/libfiscport.so" \
    ./usr/share/applications/bancada-ecf.desktop \
    ./usr/share/icons/hicolor/48x48/apps/bancada-ecf.png \
    ./usr/share/icons/hicolor/256x256/apps/bancada-ecf.png \
    ./usr/share/icons/hicolor/scalable/apps/bancada-ecf.svg \
    ./usr/share/man/man1/bancada-ecf.1.gz ./usr/share/man/man1/meu_proj.1.gz \
    ./usr/share/man/man1/ecfsim.1.gz ./usr/share/man/man1/ecfpainel.1.gz \
    ./usr/share/doc/bancada-ecf/copyright ./usr/share/doc/bancada-ecf/changelog.gz; do
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

# Every program of the package says the package's version, as the project's.
version=$(dpkg-deb -f "$deb" Version)
project=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/CMakeCache.txt)
[ "$version" = "$project" ] || fail "the package is version $version, the project $project"
for program in ecfsim meu_proj ecfpainel; do
    said=$(QT_QPA_PLATFORM=offscreen "$root/pkg/usr/bin/$program" --version 2>/dev/null) ||
        fail "$program --version failed"
    [ "$said" = "$program $version" ] || fail "$program --version says '$said', the package $version"
done

# ecfsim from the package: status on a memory it made.
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
# The launcher hands its options to the program.
said=$(cd / && HOME="$root/home" XDG_DATA_HOME="$root/data" QT_QPA_PLATFORM=offscreen \
    "$root/launcher" --version 2>/dev/null) || fail "bancada-ecf --version failed"
[ "$said" = "meu_proj $version" ] || fail "bancada-ecf --version says '$said'"

# The manual pages render, in Portuguese, with the package's version and the
# options each program's help lists; meu_proj's page is bancada-ecf's.
man1="$root/pkg/usr/share/man/man1"
for page in ecfsim bancada-ecf meu_proj ecfpainel; do
    text=$(MANWIDTH=80 man -l "$man1/$page.1.gz" 2>&1) || fail "man $page failed"
    grep -q "NOME" <<<"$text" || fail "man $page: no NOME section"
    grep -q "troff:.*warning" <<<"$text" && fail "man $page: $text"
    grep -q "^Bancada ECF-IF $version " <<<"$text" || fail "man $page does not say version $version"
    grep -q -- "--version" <<<"$text" || fail "man $page does not show --version"
done
[ "$(readlink "$man1/meu_proj.1.gz")" = bancada-ecf.1.gz ] || fail "man meu_proj is not bancada-ecf's page"
MANWIDTH=80 man -l "$man1/ecfpainel.1.gz" | grep -q -- "--db <ARQUIVO>" || fail "man ecfpainel does not show --db"

# The changelog's newest entry is this version, signed by the maintainer.
changelog=$(zcat "$root/pkg/usr/share/doc/bancada-ecf/changelog.gz")
[ "$(dpkg-parsechangelog -l- -S Version <<<"$changelog")" = "$version" ] ||
    fail "the changelog's newest entry is not version $version"
[ "$(dpkg-parsechangelog -l- -S Maintainer <<<"$changelog")" = "$(dpkg-deb -f "$deb" Maintainer)" ] ||
    fail "the changelog is not signed by the package's maintainer"

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)" >&2
    exit 1
fi
echo "package checked: $(basename "$deb")"
