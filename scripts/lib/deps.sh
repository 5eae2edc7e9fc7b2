# Debian packages that Tavrel needs to build, run and test; installs the ones
# that are missing (nothing to do, and no network, when all are there).
# Sourced by run.sh and test.sh.

TAVREL_PACKAGES=(
  g++ cmake ninja-build pkg-config
  libgtk-3-dev libx11-dev libpng-dev libjpeg62-turbo-dev libexpat1-dev
  libsoup-3.0-dev libqrencode-dev libjson-glib-dev
  libgtest-dev googletest
  fonts-dejavu-core adwaita-icon-theme
  xvfb xauth openbox xdotool x11-utils imagemagick desktop-file-utils
  dpkg-dev file appstream shared-mime-info xdg-utils libfile-mimeinfo-perl weston xwayland
  chromium chromium-driver python3-selenium
)

tavrel_install_packages() {
  local missing=() p
  for p in "${TAVREL_PACKAGES[@]}" "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$p")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
  fi
  echo "Installing Debian packages: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# Builds into $1 the target $2 ("" for everything), configuring first when the
# folder is new or when CMake options follow.
tavrel_build() {
  local dir=$1 target=$2
  shift 2
  if [ ! -f "$dir/build.ninja" ] || [ $# -gt 0 ]; then
    cmake -S "$TAVREL_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  fi
  if [ -n "$target" ]; then
    cmake --build "$dir" --target "$target"
  else
    cmake --build "$dir"
  fi
}
