# Sourced by ./run, ./test and ./package: installs the Debian packages the
# project needs when any is missing (as root through apt-get, otherwise
# through sudo).

MOX_BUILD_PACKAGES="cmake g++ make pkg-config python3 python3-fonttools fonts-dejavu-core
  qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools qt6-documentation-tools
  libqt6help6 libqt6sql6-sqlite qt6-qpa-plugins libgl-dev
  libzip-dev libzstd-dev libsqlite3-dev libicu-dev
  libx11-dev libxi-dev libxss-dev libxtst-dev libxkbfile-dev x11-xkb-utils xdg-utils libfontconfig-dev
  qt6-charts-dev libqt6opengl6-dev qt6-translations-l10n
  libwayland-dev libwayland-bin libxkbcommon-dev wayland-protocols plasma-wayland-protocols qt6-wayland xkb-data"
MOX_TEST_PACKAGES="googletest libgtest-dev libbenchmark-dev xvfb xauth x11-utils icewm xdotool
  dbus dbus-x11 imagemagick libglib2.0-bin procps sway wtype grim strace
  at-spi2-core python3-gi gir1.2-atspi-2.0
  lintian appstream desktop-file-utils man-db
  espeak-ng wngerman wpolish wfrench hunspell-el hunspell-ru sqlite3 zip zstd"
# What ./package needs beyond the build: dpkg-shlibdeps (dpkg-dev) and file,
# through which CPack finds the programs whose libraries it looks up.
MOX_PACKAGE_PACKAGES="dpkg-dev file fakeroot"

mox_ensure_packages() {
  local missing=()
  local pkg
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing Debian packages: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
