#!/usr/bin/env bash
# The main job: installs what is missing, builds ztwebext only, starts it with --demo (the
# stand-in central server in the same process on ADDRESS port 1231) and runs a short web
# client's session over HTTP with curl: a JSON-RPC login, a REST GET answered in typed JSON,
# a SOAP call and the WSDL. Stops the server at the end.
#   scripts/demo.sh            (ADDRESS 127.0.0.1, HTTP on port 8080)
#   DEMO_ADDRESS=127.0.0.5 DEMO_PORT=8081 scripts/demo.sh
set -euo pipefail
cd "$(dirname "$0")/.."

address=${DEMO_ADDRESS:-127.0.0.1}
port=${DEMO_PORT:-8080}
url="http://$address:$port"

bash scripts/setup.sh --demo
cmake --preset default >/dev/null
cmake --build --preset default --target ztwebext

log=$(mktemp)
ZTWEBEXT_DEMO_ADDRESS=$address build/default/tools/ztwebext/ztwebext --demo \
  --listen "$address:$port" >"$log" 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null || true; rm -f "$log"' EXIT
# The stand-in generates its RSA key at start; wait for the line ztwebext prints when it
# serves (at most 30 s).
for _ in $(seq 1 300); do
  grep -q "ztwebext: serving on" "$log" && break
  kill -0 "$server" 2>/dev/null || { cat "$log"; exit 1; }
  sleep 0.1
done
cat "$log"

show() { printf '\n== %s\n$ %s\n' "$1" "$2"; }

show "JSON-RPC login" "curl -X POST $url/jsonrpc -d '{\"method\":\"Login\",...}'"
login=$(curl -s -X POST -H 'Content-Type: application/json' "$url/jsonrpc" --data-binary \
  '{"jsonrpc":"2.0","method":"Login","params":{"loginName":"administrator","password":"demo"},"id":1}')
echo "$login"
session=$(echo "$login" | sed -n 's/.*"session":"\([^"]*\)".*/\1/p')

show "REST GET, typed JSON" "curl -H 'Authorization: Bearer $session' '$url/rest/Users?limit=2'"
curl -s -H "Authorization: Bearer $session" "$url/rest/Users?limit=2"
echo

show "REST GET of one user by its path, as XML" "curl -H 'Accept: application/xml' '$url/rest/Users/CORP//carol?session=...'"
curl -s -H 'Accept: application/xml' "$url/rest/Users/CORP//carol?session=$session"
echo

show "SOAP call" "curl -X POST -H 'Content-Type: text/xml' $url/soap -d '<soap:Envelope>...GetDNSZones...'"
curl -s -X POST -H 'Content-Type: text/xml; charset=utf-8' "$url/soap" --data-binary \
  '<?xml version="1.0"?><soap:Envelope xmlns:soap="http://schemas.xmlsoap.org/soap/envelope/"><soap:Body><GetDNSZones><session>'"$session"'</session><limit>2</limit></GetDNSZones></soap:Body></soap:Envelope>'
echo

show "the WSDL (its service address points back at /soap)" "curl $url/wsdl"
curl -s "$url/wsdl" | grep -o 'location="[^"]*"' | sort -u || true

show "logout" "curl -X DELETE -H 'Authorization: Bearer ...' $url/rest/command/logout"
curl -s -o /dev/null -w 'HTTP %{http_code}\n' -X DELETE -H "Authorization: Bearer $session" \
  "$url/rest/command/logout"

cat <<EOF

The demo has stopped the server again. To keep it running and try it yourself:
  build/default/tools/ztwebext/ztwebext --demo
then open http://127.0.0.1:8080/ in a browser (login administrator / demo), or use the
curl examples in README.md; Ctrl-C stops it.
EOF
