#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Vantry need.
# Only what is missing is installed, so a second run costs a few dpkg queries.
set -euo pipefail
pkgs=(cmake ninja-build g++ clang pkg-config
      # The fuzzers' sanitizer and libFuzzer runtimes, which clang only recommends.
      libclang-rt-14-dev
      # llvm-symbolizer, without which the fuzzers' reports name no function, file or line.
      llvm-14
      libturbojpeg0-dev libjpeg-dev libgif-dev libcurl4-openssl-dev
      qt6-base-dev libx11-dev qt6-webengine-dev libcpp-httplib-dev
      libgtest-dev
      # setfacl, for the tests of the wallpaper folder's guard against access lists.
      acl
      # The desktop's opener, which the program's links hand their addresses to.
      xdg-utils
      xvfb xauth x11-apps x11-utils imagemagick libjpeg-turbo-progs
      # The download benchmark's reference, `curl -o`.
      curl
      # The RealDesktop tests: a private session bus, gsettings on dconf with the desktops'
      # background schemas, and xfconf.
      dbus libglib2.0-bin dconf-service dconf-gsettings-backend gsettings-desktop-schemas
      mate-desktop-common cinnamon-desktop-data xfconf
      # Libraries Debian only recommends, which --no-install-recommends leaves out: xfconf-query
      # cannot start without its library.
      libxfconf-0-3)

missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=""
  if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null; then
      echo "setup: installing the ${#missing[@]} missing packages needs root, and there is no sudo: run tools/setup.sh as root, or install and configure sudo" >&2
      exit 1
    fi
    sudo_cmd="sudo"
  fi
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $sudo_cmd apt-get update -qq
  $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
