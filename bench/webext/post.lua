-- wrk script: POSTs the JSON-RPC body from the environment (BODY) and counts answers that
-- are not a 200 with a "result" as failures, over all of wrk's threads.
wrk.method = "POST"
wrk.body = os.getenv("BODY")
wrk.headers["Content-Type"] = "application/json"

local threads = {}

function setup(thread)
  table.insert(threads, thread)
end

function init(args)
  failures = 0
end

function response(status, headers, body)
  if status ~= 200 or not string.find(body, '"result"', 1, true) then
    failures = failures + 1
  end
end

function done(summary, latency, requests)
  local failed = 0
  for _, thread in ipairs(threads) do
    failed = failed + thread:get("failures")
  end
  io.write(string.format("requests/s=%.0f p50=%.2fms p90=%.2fms p99=%.2fms failures=%d\n",
    summary.requests / (summary.duration / 1e6), latency:percentile(50) / 1000,
    latency:percentile(90) / 1000, latency:percentile(99) / 1000, failed))
end
