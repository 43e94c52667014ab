# Installs the Debian packages a step needs, once: "apt-get update" runs only when some are
# missing. Sourced by the other scripts; uses sudo when not run as root.
halvik_install_packages() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
}

# Everything the program, the stand-in service (and the Knot DNS name servers it runs) and the
# tests are built from (the fuzz targets
# with clang and its sanitizer runtimes), what checks the installed tree (the validators, the man
# page from the help), what the keyring tests run (a private bus with gnome-keyring), the ACME
# server and clients the certificate hooks are tested with (pebble, certbot, lego), and what
# scripts/screenshots runs them with.
HALVIK_BUILD_PACKAGES=(
    cmake ninja-build g++ pkg-config clang-format
    qtbase5-dev qtbase5-dev-tools qttools5-dev qttools5-dev-tools qttranslations5-l10n
    libqt5webkit5-dev libqt5svg5-dev libqt5sql5-sqlite libsqlite3-dev
    libcpp-httplib-dev libssl-dev libcurl4-openssl-dev libqrencode-dev zlib1g-dev libldns-dev
    bind9-utils knot knot-module-geoip knot-dnsutils
    qtkeychain-qt5-dev
    openssl ca-certificates curl desktop-file-utils appstream help2man tzdata
    pebble certbot lego
    dbus dbus-daemon gnome-keyring libsecret-tools
    xvfb xauth xdotool x11-apps imagemagick fonts-noto-cjk
    clang libclang-rt-14-dev llvm-14
)

# Only for scripts/package: CPack's DEB generator reads the dependencies with dpkg-shlibdeps.
HALVIK_PACKAGE_PACKAGES=(
    dpkg-dev file
)

# Only for scripts/bench: Google Benchmark and libcurl (the baseline of the end-to-end figure).
HALVIK_BENCH_PACKAGES=(
    libbenchmark-dev libcurl4-openssl-dev
)
