#!/bin/sh
# Regenerates the data directory resources/ from code.
# Run as root, it first installs the Debian packages the generator needs.
set -e
cd "$(dirname "$0")/../.."

PKGS="python3 python3-numpy python3-pil vorbis-tools fonts-dejavu-core fonts-dejavu-extra"
missing=""
for p in $PKGS; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
        missing="$missing $p"
    fi
done
if [ -n "$missing" ]; then
    if [ "$(id -u)" -eq 0 ]; then
        apt-get update
        DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $missing
    else
        echo "generate.sh: missing Debian packages:$missing (run as root to install them)" >&2
        exit 1
    fi
fi

# Debian's interpreter: its numpy and PIL are the packages above.
exec /usr/bin/python3 tools/data/generate.py "$@"
