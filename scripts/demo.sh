#!/usr/bin/env bash
# The main job: sets up and builds, starts the stand-in central server on 127.0.0.2:1231,
# and runs a web client's session through libztXMLInt.so: a JSON-RPC login, commands in
# JSON-RPC and SOAP, the pre-login information and a logout. Stops the server at the end.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh default
bin=build/default/tools
address=127.0.0.2

"$bin/ztcentral/ztcentral" --listen "$address" &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null || true' EXIT

# The server generates its RSA key at start; wait until it answers the Connect exchange.
for _ in $(seq 1 50); do
  if "$bin/ztprobe/ztprobe" --timeout 1000 "$address" >/dev/null 2>&1; then
    break
  fi
  sleep 0.2
done

echo "== the Connect answer (ztprobe)"
"$bin/ztprobe/ztprobe" "$address"

echo "== a session through xmlRequest (ztrequest)"
"$bin/ztrequest/ztrequest" \
  -e '{"jsonrpc":"2.0","method":"Login","params":{"server":"'"$address"'","loginName":"administrator","password":"demo"},"id":1}' \
  -e '{"jsonrpc":"2.0","method":"GetDNSZones","params":{"session":"$SESSION","limit":2},"id":2}' \
  -e '<?xml version="1.0"?><soap:Envelope xmlns:soap="http://schemas.xmlsoap.org/soap/envelope/"><soap:Body><GetUsers><session>$SESSION</session><limit>1</limit></GetUsers></soap:Body></soap:Envelope>' \
  -e '{"jsonrpc":"2.0","method":"web_getPreLoginInfo","params":{},"id":3}' \
  -e '{"jsonrpc":"2.0","method":"logout","params":{"session":"$SESSION"},"id":4}'
