// The page at "/".
#include "ztwebext/ztWebPages.h"

std::string ztWebIndexPage() {
    return R"(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>ztwebext</title>
<style>
body { font-family: sans-serif; margin: 2em auto; max-width: 48em; line-height: 1.4; }
code { background: #f2f2f2; padding: 0 .2em; }
td { padding: .2em 1em .2em 0; vertical-align: top; }
</style>
</head>
<body>
<h1>ztwebext</h1>
<p>The web front end of the central network-management server. Clients speak SOAP 1.1,
JSON-RPC or REST to it.</p>
<table id="endpoints">
<tr><td><code>POST /soap</code></td><td>SOAP 1.1 requests (<code>text/xml</code>)</td></tr>
<tr><td><code>POST /jsonrpc</code></td><td>JSON-RPC requests (<code>application/json</code>)</td></tr>
<tr><td><code>GET|PUT|POST|DELETE /rest/&hellip;</code></td><td>REST routes, JSON or XML</td></tr>
<tr><td><a id="wsdl" href="/wsdl"><code>GET /wsdl</code></a></td><td>the service description (WSDL)</td></tr>
<tr><td><a id="doc" href="/doc"><code>GET /doc</code></a></td><td>the WSDL's documentation page</td></tr>
<tr><td><a id="openapi" href="/openapi.json"><code>GET /openapi.json</code></a></td><td>OpenAPI 3.1 description of REST and JSON-RPC</td></tr>
<tr><td><a href="/healthz"><code>GET /healthz</code></a></td><td>liveness</td></tr>
<tr><td><a href="/metrics"><code>GET /metrics</code></a></td><td>Prometheus metrics</td></tr>
</table>
<p>REST and JSON-RPC take the session of a Login as <code>?session=ID</code> or
<code>Authorization: Bearer ID</code>; <code>Authorization: Basic</code> logs in for one request.</p>
</body>
</html>
)";
}
