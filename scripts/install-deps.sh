#!/usr/bin/env bash
# Installs, through apt-get, what building and running the bench needs and
# this Debian 12 machine does not have yet; with --tests, also what only the
# tests, the package check, the fuzzing and the window pictures need. Run as
# root (or with sudo). Safe to run again: it installs only what is missing.
#
#   scripts/install-deps.sh            (scripts/run.sh)
#   scripts/install-deps.sh --tests    (scripts/test.sh)
set -euo pipefail

packages=(
    # Ninja and lld build and link faster than make and GNU ld; the compiler
    # cache makes a second build of the same code nearly free.
    build-essential cmake ninja-build lld ccache
    qt6-base-dev qt6-translations-l10n
    libsqlite3-dev libcli11-dev nlohmann-json3-dev nettle-dev pkg-config
    # CMake configures the test folders too, so their libraries are needed
    # even to build the program alone.
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    locales tzdata
    # The headless mode: a virtual X display, its window manager, xprop to
    # wait for it, and a VNC server on the loopback (ss checks its port).
    xvfb openbox x11-utils
    x11vnc iproute2
)
if [ "${1:-}" = "--tests" ]; then
    packages+=(
        xdotool                     # the desktop tests' keys
        dpkg-dev man-db lintian     # the package check
        imagemagick                 # the window pictures
        poppler-utils               # pdftotext: the text of the panel's PDF
        clang-14 libclang-rt-14-dev # the fuzz targets
    )
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
fi

# The bench speaks Brazilian Portuguese: the pt_BR locale must exist.
if ! locale -a 2>/dev/null | grep -qi '^pt_BR\.utf-\?8$'; then
    echo "Generating the pt_BR.UTF-8 locale"
    as_root sed -i 's/^# *\(pt_BR.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^pt_BR.UTF-8 UTF-8' /etc/locale.gen || echo 'pt_BR.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
    as_root locale-gen pt_BR.UTF-8 >/dev/null
fi
