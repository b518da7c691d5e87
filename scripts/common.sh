# Shared by ./run, ./test and .ci/run: install what is missing, then build.
# Sourced, not executed.

VESTREL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Debian packages needed to build, test and benchmark.
VESTREL_PACKAGES=(
    g++ cmake ninja-build pkg-config xvfb xauth
    qt6-base-dev qt6-qpa-plugins
    libmd-dev libeigen3-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    liblcms2-dev libssl-dev
    python3 python3-numpy argyll
)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# dpkg-query is fast, so a machine that has everything pays almost nothing.
ensure_packages() {
    local missing=()
    local pkg
    for pkg in "${VESTREL_PACKAGES[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing missing packages: ${missing[*]}" >&2
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# build_tree DIR [extra cmake arguments...]: configure once, then build incrementally.
build_tree() {
    local dir=$1
    shift
    if [ ! -f "$dir/build.ninja" ]; then
        cmake -S "$VESTREL_ROOT" -B "$dir" -G Ninja "$@" || return 1
    fi
    cmake --build "$dir" || return 1
}
