#!/usr/bin/env bash
# Installs what building, running and testing the program needs on Debian 12:
# Debian packages first, then the npm packages of package-lock.json. Idempotent
# and quick when everything is present. Runs as root, or through sudo.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  # compilers and build tools
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev libfuzzer-14-dev
  # the sanitizers' reports name functions and lines through llvm-symbolizer
  llvm
  # CPack's Debian generator reads the binaries' types with file
  file
  # static analysis (make lint)
  clang-format clang-tidy cppcheck
  # Qt 6
  qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
  qt6-webengine-dev qt6-webengine-dev-tools qt6-httpserver-dev qt6-websockets-dev qt6-qpa-plugins libxkbcommon-dev
  qt6-image-formats-plugins libgl-dev libjpeg-dev
  # the sign database reader
  mdbtools mdbtools-dev
  # movies
  haxe
  # fonts the windows and movies name
  fonts-arphic-gkai00mp fonts-arphic-gbsn00lp fonts-arphic-ukai fonts-arphic-uming
  fonts-wqy-zenhei fonts-liberation fonts-liberation2
  # the Latin face made from Liberation Serif at build time
  python3-fonttools
  # data sources, peers and test tooling
  # the journal of past divinations (Qt SQL's SQLite driver)
  libqt6sql6-sqlite
  unicode-data opencc libopencc-data python3 python3-lunardate libicu-dev libbenchmark-dev
  # the iCalendar export's read-back test
  python3-icalendar
  xvfb xauth xdotool x11-apps imagemagick desktop-file-utils appstream hyperfine
  # the panes' https test: a certificate made by the test (openssl), trusted
  # in a certificate store of the test's own (certutil)
  openssl libnss3-tools
  nodejs npm
)

missing=()
for package in "${packages[@]}"; do
  [[ $package == \#* ]] && continue
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

# node and npm may come from elsewhere than Debian (an image's own Node.js):
# when both commands work, don't ask for Debian's.
if command -v node >/dev/null && command -v npm >/dev/null; then
  filtered=()
  for package in "${missing[@]}"; do
    [[ $package == nodejs || $package == npm ]] || filtered+=("$package")
  done
  missing=("${filtered[@]}")
fi

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  sudo=()
  if ((EUID != 0)); then
    command -v sudo >/dev/null || { echo "setup: run as root or install sudo" >&2; exit 1; }
    sudo=(sudo)
  fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -q
  "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# npm packages, reinstalled only when the lock file changed.
stamp=node_modules/.vandrel-lock-stamp
if [[ ! -f $stamp ]] || ! cmp -s package-lock.json "$stamp"; then
  echo "setup: installing npm packages"
  npm ci --no-audit --no-fund --loglevel=error
  cp package-lock.json "$stamp"
fi
