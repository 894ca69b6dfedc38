-- wrk script: POSTs the JSON-RPC body from the environment (BODY) to the target URL.
wrk.method = "POST"
wrk.body = os.getenv("BODY")
wrk.headers["Content-Type"] = "application/json"

-- A non-200 answer or a JSON-RPC error counts as a failure.
local failures = 0
response = function(status, headers, body)
  if status ~= 200 or not string.find(body, '"result"', 1, true) then
    failures = failures + 1
  end
end

done = function(summary, latency, requests)
  io.write(string.format("requests/s=%.0f p50=%.2fms p90=%.2fms p99=%.2fms non2xx=%d\n",
    summary.requests / (summary.duration / 1e6), latency:percentile(50) / 1000,
    latency:percentile(90) / 1000, latency:percentile(99) / 1000,
    (summary.errors.status or 0)))
end
