#!/usr/bin/env bash
# Installs the Debian package (as root), converts the example with the
# installed tool, finds its manual page, and removes the package again.
# Usage: package_test.sh ZIVUVI.DEB EXAMPLE.CSV REFERENCE_ZIVUVI
set -euo pipefail
deb=$1 example=$2 reference=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

dpkg -i "$deb"
/usr/bin/zivuvi "$example" "$scratch/installed.bin" , ';' logger
"$reference" "$example" "$scratch/reference.bin" , ';' logger
cmp "$scratch/installed.bin" "$scratch/reference.bin"
[ "$(man -w zivuvi)" = /usr/share/man/man1/zivuvi.1 ]
dpkg -r zivuvi
[ ! -e /usr/bin/zivuvi ] && [ ! -e /usr/share/man/man1/zivuvi.1 ]
echo "package: 1 passed, 0 failed"
