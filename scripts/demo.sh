#!/usr/bin/env bash
# Sets up and starts a Nimbo demo workstation: installs what is missing,
# builds the program, prepares a program folder with its .ini, a central
# SQLite register holding the demo data, the local work database, the
# cipher key and the report templates, then starts the program there.
#
#   scripts/demo.sh              prepare (once) and start
#   scripts/demo.sh --prepare    prepare only
#
# NIMBO_DEMO_DIR chooses the program folder (default: demo/ in the checkout).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"
demo=${NIMBO_DEMO_DIR:-"$root/demo"}
start=1
if [[ "${1:-}" == "--prepare" ]]; then
  start=0
  shift
fi

"$root/scripts/install-deps.sh"

if [[ ! -f "$build/build.ninja" ]]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
ninja -C "$build" -j"$(nproc)" nimbo nimbo-admin

admin="$build/src/admin/nimbo-admin"
# The register, the local database, the key and the configuration are the
# operator's alone.
umask 077
mkdir -p "$demo/db" "$demo/report"
demo=$(cd "$demo" && pwd)

"$admin" load-demo --sqlite "$demo/db/Protocollo.db"
"$admin" create-local "$demo/db/Locale.db"
"$admin" create-key "$demo/nimbo.key"
cp -f "$root"/templates/* "$demo/report/"

ini="$demo/nimbo.ini"
if [[ ! -f "$ini" ]]; then
  cat >"$ini" <<INI
' Postazione dimostrativa di Nimbo
SET PATHDB=$demo/db/
SET PROTOCOLLO=Protocollo.db
SET TABLOCAL=Locale.db
SET REPORT=$demo/report/
SET APPLTEMP=/temp/
SET LOG=ON
SET APPLTRACE=OFF
SET AUSL=Azienda Sanitaria Dimostrativa
SET ISTITUTO=Azienda Sanitaria Dimostrativa
SET AOOSTORICO=001
SET OLEGENERICA=NimboServer.Generica
SET OLEGP=NimboServer.Protocollo
SET OLEIMG=NimboServer.Immagini
SET OLEEML=NimboServer.Email
SET OLESTORICO=NimboServer.Storico
SET SCADENZA-PASSWORD=60
SET KEYFILE=nimbo.key
SET STAMPANTE-REPORT=PDF
INI
  echo "Configurazione scritta: $ini"
elif ! grep -q '^SET STAMPANTE-REPORT=' "$ini"; then
  # Demo folders made before receipts could go to PDF.
  echo 'SET STAMPANTE-REPORT=PDF' >>"$ini"
fi

echo "Cartella del programma: $demo"
echo "Operatori dimostrativi: DEMO9 (password demo9pwd, livello 9), DEMO8, DEMO7, DEMO6 (demo8pwd, demo7pwd, demo6pwd)"
if ((start == 0)); then
  exit 0
fi
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && -z "${QT_QPA_PLATFORM:-}" ]]; then
  echo "Nessun display disponibile: avviare il programma da una sessione grafica con" >&2
  echo "  NIMBO_HOME=$demo $build/src/app/nimbo" >&2
  exit 1
fi
export NIMBO_HOME="$demo"
exec "$build/src/app/nimbo" "$@"
