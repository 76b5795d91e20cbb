#!/usr/bin/env bash
# Starts the machine's PostgreSQL cluster on loopback for the tests and
# prints the connection string they use. The superuser gets the password
# "nimbo" so that the tests can connect over TCP.
set -euo pipefail

as_root() { if [[ $(id -u) -eq 0 ]]; then "$@"; else sudo "$@"; fi; }
as_postgres() { if [[ $(id -u) -eq 0 ]]; then su postgres -c "$1"; else sudo -u postgres bash -c "$1"; fi; }

line=$(pg_lsclusters --no-header 2>/dev/null | head -n 1 || true)
if [[ -z "$line" ]]; then
  ver=$(ls /usr/lib/postgresql | sort -V | tail -n 1)
  as_root pg_createcluster "$ver" main >/dev/null
  line=$(pg_lsclusters --no-header | head -n 1)
fi
read -r ver cluster port status _ <<<"$line"
if [[ "$status" != online* ]]; then
  as_root pg_ctlcluster "$ver" "$cluster" start >&2
fi

ready=0
for _ in $(seq 1 30); do
  if as_postgres "psql -p $port -qAtc 'SELECT 1'" >/dev/null 2>&1; then
    ready=1
    break
  fi
  sleep 1
done
if ((ready == 0)); then
  echo "PostgreSQL non risponde sulla porta $port" >&2
  exit 1
fi

as_postgres "psql -p $port -qAtc \"ALTER USER postgres PASSWORD 'nimbo'\"" >/dev/null
echo "host=127.0.0.1 port=$port user=postgres password=nimbo dbname=postgres"
