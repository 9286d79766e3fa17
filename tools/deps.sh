#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need, when any is missing.
# Sourced by run.sh and test.sh; needs root (apt-get) only when something is missing.
orv_packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  zlib1g-dev libjpeg62-turbo-dev libpng-dev libraw-dev libopenjp2-7-dev libjxr-dev
  libsqlite3-dev libfreetype-dev libfontconfig-dev libcairo2-dev libsdl2-dev
  liblcms2-dev libxlsxwriter-dev libcurl4-openssl-dev libcups2-dev
  fonts-liberation fonts-liberation2 fonts-dejavu-core fonts-dejavu-extra fonts-wqy-zenhei
  shared-mime-info xvfb xauth poppler-utils
  zbar-tools netpbm qpdf libopenjp2-tools libjxr-tools libxml2-utils unrtf libtiff-tools unzip
  imagemagick dcmtk
  adwaita-icon-theme
  ${orv_extra_packages[@]+"${orv_extra_packages[@]}"}
)
orv_missing=()
for p in "${orv_packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    orv_missing+=("$p")
  fi
done
if [ ${#orv_missing[@]} -gt 0 ]; then
  echo "Installing: ${orv_missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages need root: run as root or install them with apt-get." >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${orv_missing[@]}"
fi
