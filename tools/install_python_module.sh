#!/usr/bin/env bash
# Installs the Python module of a build where Python finds it, so that `python3 -c "import tervix"`
# works once ./test.sh has run:   tools/install_python_module.sh [BUILD_DIR]
#
# The module is built for Debian's interpreter, whose pybind11 and NumPy packages it uses, and is
# installed (cmake --install, the python component alone) where that interpreter looks. When python3
# on the PATH is another interpreter of the same version (pyenv's, one built by hand), it does not look
# in Debian's folders: a file tervix-debian-dist-packages.pth in its site-packages then adds the
# module's folder and NumPy's at the end of its path, so its own packages still come first. Deleting
# that file undoes it. An interpreter of another version cannot load the module and is left alone.
set -euo pipefail
build=${1:-build}
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
$sudo cmake --install "$build" --component python >/dev/null
debian=$(sed -n 's/^Python3_EXECUTABLE:[A-Z]*=//p' "$build/CMakeCache.txt")
# Asked from / with no PYTHONPATH, so that neither the build tree nor the working folder answers.
in_python() { (cd / && env -u PYTHONPATH "$@"); }
in_python "$debian" -c "import tervix"
if ! command -v python3 >/dev/null || in_python python3 -c "import tervix" 2>/dev/null; then
    exit 0
fi
identity='import os, sys; print(os.path.realpath(sys.executable), "%d.%d" % sys.version_info[:2])'
read -r debian_path debian_version < <(in_python "$debian" -c "$identity")
read -r path_python path_version < <(in_python python3 -c "$identity")
if [ "$path_version" != "$debian_version" ]; then
    echo "python3 on the PATH ($path_python) is Python $path_version; the module is for Python $debian_version:" \
         "use $debian"
    exit 0
fi
site=$(in_python python3 -c 'import sysconfig; print(sysconfig.get_path("purelib"))')
folders=$(in_python "$debian" -c 'import os, numpy, tervix; [print(os.path.dirname(os.path.dirname(m.__file__)) if m is numpy else os.path.dirname(m.__file__)) for m in (tervix, numpy)]')
printf '# Debian'"'"'s folders of the tervix module and NumPy, for this interpreter of the same version (%s).\n%s\n' \
    "$debian_path" "$folders" | $sudo tee "$site/tervix-debian-dist-packages.pth" >/dev/null
echo "python3 on the PATH ($path_python) finds the module through $site/tervix-debian-dist-packages.pth"
in_python python3 -c "import tervix"
