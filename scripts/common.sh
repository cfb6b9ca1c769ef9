# Shared by ./run and ./test: install what is missing, then configure and build.
PARVEL_PACKAGES="cmake ninja-build g++ pkg-config qt6-base-dev libsdl2-dev libfluidsynth-dev
fluid-soundfont-gm libavformat-dev libavcodec-dev libswscale-dev libswresample-dev zlib1g-dev
libgtest-dev libbenchmark-dev xvfb xauth xdotool openbox qt6-svg-dev appstream desktop-file-utils man-db
libgraphviz-dev libxcb1-dev libspeechd-dev at-spi2-core python3-pyatspi dbus-daemon imagemagick"

parvel_install_packages() {
    local missing=()
    for p in $PARVEL_PACKAGES; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -eq 0 ]; then
        echo "Installing: ${missing[*]}"
        apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
    else
        echo "Parvel needs these Debian packages. Please run:"
        echo "  sudo apt-get install ${missing[*]}"
        exit 1
    fi
}

# parvel_build BUILD_DIR [cmake args...]
parvel_build() {
    local dir=$1; shift
    local gen=()
    command -v ninja >/dev/null && gen=(-G Ninja)
    # A compiler cache, when the machine has one, makes a fresh clone's
    # build take seconds instead of minutes; the results are the same.
    command -v ccache >/dev/null &&
        gen+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        cmake -S . -B "$dir" "${gen[@]}" "$@" >/dev/null || return 1
    else
        cmake "$dir" "$@" >/dev/null || return 1
    fi
    cmake --build "$dir" -j "$(nproc)"
}
