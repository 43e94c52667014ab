#!/bin/sh
# Installs the build tree into a temporary root, as a packager would, and checks what arrived.
set -eu
build=$1
version=$2
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
cmake --install "$build" --prefix "$root/usr" >/dev/null
"$(dirname "$0")/check-tree.sh" "$root" "$version"
