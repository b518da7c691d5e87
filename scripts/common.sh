# Shared by ./run, ./test and .ci/run: install what is missing, then build.
# Sourced, not executed.

VESTREL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Debian packages needed to build, test and benchmark.
VESTREL_PACKAGES=(
    g++ cmake ninja-build pkg-config xvfb xauth
    qt6-base-dev qt6-qpa-plugins qt6-tools-dev qt6-l10n-tools qt6-translations-l10n
    libmd-dev libeigen3-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    liblcms2-dev libssl-dev poppler-utils
    libcairo2-dev libpango1.0-dev fonts-liberation fonts-dejavu-core fonts-droid-fallback
    python3 python3-numpy argyll
    dpkg-dev appstream desktop-file-utils
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
    echo "vestrel: installing ${#missing[@]} missing packages (a few minutes on a fresh machine): ${missing[*]}" >&2
    as_root apt-get update -qq
    # apt's own progress, one line per package, so a long install shows it is alive.
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
        -o Dpkg::Progress-Fancy=0 "${missing[@]}" | grep -E '^(Get|Setting up)' >&2 || true
}

# build_tree DIR [extra cmake arguments...]: configure once, then build incrementally.
# Ninja prints its progress ([12/340] ...) on one line per step; nothing when
# the tree is up to date. VESTREL_TARGETS, when set, names the targets to
# build instead of all.
build_tree() {
    local dir=$1
    shift
    if [ ! -f "$dir/build.ninja" ]; then
        echo "vestrel: configuring $dir" >&2
        cmake -S "$VESTREL_ROOT" -B "$dir" -G Ninja "$@" >/dev/null || return 1
        echo "vestrel: building (the first build takes a few minutes)" >&2
    fi
    local targets=()
    [ -n "${VESTREL_TARGETS:-}" ] && targets=(--target $VESTREL_TARGETS)
    cmake --build "$dir" "${targets[@]}" | { grep -v '^ninja: no work to do' >&2 || true; }
    return "${PIPESTATUS[0]}"
}
