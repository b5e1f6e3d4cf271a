# Shared by the scripts: install what is missing, then build out of tree in build/ (Qt 6: build-qt6/).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

ensure_packages() {
    local missing=()
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Qt 5.15 by default; QUORVEL_QT=6 builds on Qt 6, in directories of its own beside the Qt 5 ones.
QT=${QUORVEL_QT:-5}
QT5_PACKAGES=(qtbase5-dev qtbase5-private-dev libqt5svg5-dev)
QT6_PACKAGES=(qt6-base-dev qt6-base-private-dev qt6-svg-dev libxkbcommon-dev)
case "$QT" in
    5) QT_PACKAGES=("${QT5_PACKAGES[@]}") BUILD_DIR=build ;;
    6) QT_PACKAGES=("${QT6_PACKAGES[@]}") BUILD_DIR=build-qt6 ;;
    *) echo "QUORVEL_QT must be 5 or 6, not '$QT'." >&2; exit 2 ;;
esac
BASE_PACKAGES=(cmake make g++ fonts-dejavu-core)
BUILD_PACKAGES=("${BASE_PACKAGES[@]}" "${QT_PACKAGES[@]}")

require_display() {
    if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}${QT_QPA_PLATFORM:-}" ]; then
        echo "quorvel: no graphical display (neither DISPLAY nor WAYLAND_DISPLAY is set); start it from a desktop session." >&2
        exit 1
    fi
}

# A copy of the program in DIR of its own, with its own quorvel.config (read from standard input),
# so that trying and measuring never touch the user's configuration in build/.
program_copy() {
    mkdir -p "$1"
    cp -f "$BUILD_DIR/quorvel" "$1/quorvel"
    cat > "$1/quorvel.config"
}

# QUORVEL_BUILT=DIR: a tree built already, as the tests give it; its programs are used as they are.
build() {
    if [ -n "${QUORVEL_BUILT:-}" ]; then
        BUILD_DIR=$QUORVEL_BUILT
        return
    fi
    cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEL_QT="$QT" >/dev/null
    cmake --build "$BUILD_DIR" -j"$(nproc)"
}

# The release binary that scripts/install puts in place, built in build-release/ (Qt 6: build-qt6-release/).
RELEASE_DIR=${BUILD_DIR}-release
build_release() {
    # Configured once; the build itself configures again when a CMakeLists.txt changed.
    [ -f "$RELEASE_DIR/CMakeCache.txt" ] ||
        cmake -S . -B "$RELEASE_DIR" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DQUORVEL_QT="$QT" >/dev/null
    cmake --build "$RELEASE_DIR" -j"$(nproc)" --target quorvel
}
