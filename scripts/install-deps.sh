#!/usr/bin/env bash
# Installs the Debian 12 packages Nimbo needs to build, run and test, when
# they are missing. Safe to run again: it installs only what is absent.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libqt6sql6-psql
  qt6-serialport-dev qt6-image-formats-plugins qt6-pdf-dev qt6-translations-l10n libgl-dev
  libsodium-dev libzip-dev libtiff-dev libsane-dev sane-utils
  libkainjow-mustache-dev libxlsxwriter-dev libcurl4-openssl-dev
  libpcsclite-dev libsqlite3-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  postgresql libpq-dev
  libical-dev libgmime-3.0-dev libxml2-dev libxml2-utils
  dovecot-imapd dovecot-lmtpd postfix openssl
  poppler-utils python3-openpyxl python3-icalendar python3-pikepdf socat xvfb xauth sqlite3
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]} == 0)); then
  echo "Dipendenze già installate."
  exit 0
fi

echo "Installazione di: ${missing[*]}"
sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
# Postfix is configured by scripts/start-mail.sh for the tests, not by its package.
echo "postfix postfix/main_mailer_type select No configuration" | "${sudo_cmd[@]}" debconf-set-selections
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
