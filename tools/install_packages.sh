#!/usr/bin/env bash
# Installs the Debian packages a command needs, when any is missing, without recommended extras.
# Sourced by run.sh (tervix_install_packages run) and test.sh (tervix_install_packages test); needs
# only bash and apt-get (with sudo when not root).

# Building and running the bench.
tervix_run_packages=(
    build-essential cmake ninja-build
    pkg-config                                  # Qt's CMake package finds xkbcommon through it
    qt6-base-dev libqt6opengl6-dev              # Core, Gui, Widgets, OpenGL, OpenGLWidgets
    qt6-qpa-plugins                             # the xcb and offscreen platforms
    libgl1-mesa-dri libglx-mesa0                # OpenGL for the view, in software where no GPU is
    nlohmann-json3-dev                          # the command-line tool's JSON
    libboost-math-dev                           # Student's t quantile (headers only)
    libfftw3-dev                                # the noise autocorrelation's Fourier transforms (libfftw3-double3 at run time)
    libgcrypt20-dev                             # SHA-256 of a session's inputs and audit trail
    gnupg                                       # a report's detached OpenPGP signature, with the user's own key
    fonts-dejavu-core fonts-liberation          # the guide's and the window's faces
    xdg-utils                                   # Help opens the guide with the desktop's viewer
    python3-dev pybind11-dev python3-numpy      # the Python module, built for Debian's python3
)
# Testing adds these to the packages above.
tervix_test_packages=(
    libgtest-dev libbenchmark-dev
    xvfb xauth                                  # the window's tests on a virtual display (xvfb-run)
    desktop-file-utils                          # the install test validates the desktop entry
    clang-format                                # the sources keep the layout .clang-format describes
    poppler-utils                               # the session reports and the guide read back (pdftotext, pdfimages)
    man-db                                      # the install test reads the installed manual page with man
    parallel                                    # a trade study's jobs run side by side (GNU parallel)
    slurm-wlm munge                             # a study's job array on a one-node cluster the test starts
    python3-pandas                              # the merged study table read as an analyst reads it
    python3-pytest python3-pil                  # the Python module's tests; PIL reads the tool's PNG images
)

# tervix_install_packages run|test
tervix_install_packages() {
    local wanted=("${tervix_run_packages[@]}")
    if [ "${1:-run}" = test ]; then
        wanted+=("${tervix_test_packages[@]}")
    fi
    local missing=()
    local p
    for p in "${wanted[@]}"; do
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
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
