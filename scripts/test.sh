#!/usr/bin/env bash
# Installs what is missing, builds Nimbo from scratch with warnings as errors
# and runs every test, on SQLite and on a local PostgreSQL server, with
# local IMAP and SMTP servers for the mail tests.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-test"

"$root/scripts/install-deps.sh"
NIMBO_TEST_PG=$("$root/scripts/start-postgres.sh")
export NIMBO_TEST_PG
NIMBO_TEST_MAIL=$("$root/scripts/start-mail.sh")
export NIMBO_TEST_MAIL

rm -rf "$build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNIMBO_WERROR=ON
ninja -C "$build" -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" -j"$(nproc)" --output-on-failure --timeout 600
