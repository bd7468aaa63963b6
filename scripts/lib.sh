# Shared by scripts/test and scripts/demo: packages, configure and build.
# shellcheck shell=bash

# The checkout, found with bash's builtins alone (scripts/demo sources this
# with its traps set, where a subshell could outlive it); sourcing this file
# changes into it.
if [[ "${BASH_SOURCE[0]}" == */* ]]; then
    cd "${BASH_SOURCE[0]%/*}/.." || exit 1
else
    cd .. || exit 1
fi
ZEP_ROOT=$PWD

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
    if [ "$EUID" -ne 0 ]; then sudo="sudo"; fi
    export DEBIAN_FRONTEND=noninteractive
    if ! $sudo apt-get install -y -q "${missing[@]}"; then
        $sudo apt-get update -q
        $sudo apt-get install -y -q "${missing[@]}"
    fi
}

# ZEP_JOBS: the processors this process may run on, as nproc counts them,
# read from /proc by builtins (see ZEP_ROOT above); 2 when unknown.
zep_jobs() {
    local line list range ranges=() count=0
    while IFS= read -r line; do
        if [[ "$line" =~ ^Cpus_allowed_list:[[:space:]]*([0-9,-]+) ]]; then
            list=${BASH_REMATCH[1]}
        fi
    done < /proc/self/status
    IFS=, read -ra ranges <<< "${list:-}"
    for range in "${ranges[@]}"; do
        if [[ "$range" =~ ^([0-9]+)-([0-9]+)$ ]]; then
            count=$((count + BASH_REMATCH[2] - BASH_REMATCH[1] + 1))
        elif [[ "$range" =~ ^[0-9]+$ ]]; then
            count=$((count + 1))
        fi
    done
    ZEP_JOBS=$((count > 0 ? count : 2))
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
    zep_jobs
    zep_step cmake --build "$dir" -j "$ZEP_JOBS"
}
