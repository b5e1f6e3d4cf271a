# Shared by the scripts: install what is missing, then build out of tree in build/.
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

BUILD_PACKAGES=(cmake make g++ qtbase5-dev fonts-dejavu-core)

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
    cp -f build/quorvel "$1/quorvel"
    cat > "$1/quorvel.config"
}

build() {
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build build -j"$(nproc)"
}

# The release binary that scripts/install puts in place, built in build-release/.
build_release() {
    cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
    cmake --build build-release -j"$(nproc)" --target quorvel
}
