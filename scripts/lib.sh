# Shared by scripts/test and scripts/demo: packages, configure and build.
# shellcheck shell=bash

ZEP_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Debian packages the build, the tests and the demo need.
ZEP_PACKAGES=(cmake g++ make pkg-config qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite
              libqt6sql6-odbc libsqlite3-dev unixodbc-dev tdsodbc fonts-dejavu-core python3
              qt6-translations-l10n chromium poppler-utils)

zep_install_packages() {
    local missing=()
    for p in "${ZEP_PACKAGES[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$p")
        fi
    done
    if [ ${#missing[@]} -eq 0 ]; then
        return 0
    fi
    echo "Installing: ${missing[*]}"
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
    export DEBIAN_FRONTEND=noninteractive
    if ! $sudo apt-get install -y -q "${missing[@]}"; then
        $sudo apt-get update -q
        $sudo apt-get install -y -q "${missing[@]}"
    fi
}

zep_jobs() {
    nproc 2>/dev/null || echo 2
}

# The station's own build in build/: scripts/demo and scripts/test share it,
# so the second of the two compiles nothing the first compiled.
zep_build_station() {
    zep_build "$ZEP_ROOT/build" -DCMAKE_BUILD_TYPE=Release -DZEP_WERROR=ON
}

# Runs one command of a build. scripts/demo replaces it, so that a signal
# stops a build under way at once.
zep_step() {
    "$@"
}

# zep_build <build dir> [cmake options...]
zep_build() {
    local dir=$1
    shift
    zep_step cmake -S "$ZEP_ROOT" -B "$dir" "$@"
    zep_step cmake --build "$dir" -j "$(zep_jobs)"
}
