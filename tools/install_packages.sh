#!/usr/bin/env bash
# Installs the Debian packages the bench needs to build, test and run, when any is missing.
# Sourced by run.sh and test.sh; needs only bash and apt-get (with sudo when not root).
tervix_packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev libqt6opengl6-dev qt6-qpa-plugins libgl1-mesa-dri libglx-mesa0
    xvfb xauth fonts-dejavu-core fonts-liberation xdg-utils
    libgtest-dev libbenchmark-dev nlohmann-json3-dev
    poppler-utils # the tests read the session reports back with pdftotext
)

tervix_install_packages() {
    local missing=()
    local p
    for p in "${tervix_packages[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$p")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        sudo="sudo"
    fi
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}
