#!/usr/bin/env bash
# Installs the Debian packages the project needs and are missing (run as root).
#   tools/install-deps.sh game   - what building and running the game needs
#   tools/install-deps.sh test   - that plus what the tests and benchmarks need
set -euo pipefail

packages=(g++ cmake make pkg-config
          libsdl1.2-dev libsdl-image1.2-dev libopenal-dev libvorbis-dev libogg-dev
          libexpat1-dev libpng-dev libgl-dev libglu1-mesa-dev libgl1-mesa-dri libopenal1)
if [ "${1:-game}" = test ]; then
    # libsdl1.2-compat: SDL 1.2 on SDL 2, which some distributions ship instead of SDL 1.2;
    # xdotool, xwd (x11-apps), xwininfo (x11-utils) and Python with PIL play the game from
    # outside and watch it, NumPy finds its sounds in what it played; gdb takes the monkey's
    # stacks of a hung program.
    packages+=(xvfb xauth libgtest-dev libbenchmark-dev libsdl1.2-compat
               xdotool x11-apps x11-utils python3 python3-pil python3-numpy gdb)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
        missing+=("$p")
    fi
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update
    apt-get install -y --no-install-recommends "${missing[@]}"
fi
