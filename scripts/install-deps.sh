#!/usr/bin/env bash
# Installs the Debian packages Brimlow needs to build, run and test, only those missing.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  libwxgtk3.2-dev libgtk-3-dev libcurl4-openssl-dev libpcre2-dev libicu-dev libssl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool x11-apps imagemagick fonts-wqy-microhei
  python3 python3-aiosmtpd nginx openssl
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
fi
