#!/usr/bin/env bash
# Draws the program's images into resources/ (run once after changing genart.cpp; the images
# are committed, the build does not run this).
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck disable=SC2046
g++ -std=c++17 -O1 -Wall -Wextra -Wpedantic -Wshadow -Werror -fPIC \
    -DQT_NO_CAST_FROM_BYTEARRAY -DQT_USE_QSTRINGBUILDER \
    -I../.. genart.cpp GifWriter.cpp -o "$work/genart" $(pkg-config --cflags --libs Qt5Gui Qt5Svg)
QT_QPA_PLATFORM=offscreen "$work/genart" ..
