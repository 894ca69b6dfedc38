// The in-process side of the ztwebext benchmark: the same JSON-RPC GetUsers that wrk sends
// through ztwebext, made by N threads calling xmlRequest directly, for the same time.
//   bench_webext_inprocess CENTRAL_ADDRESS SECONDS THREADS...
// Prints one line per thread count: requests per second and latency percentiles.
#include "ztxmlint/xmlSessionManager.h"
#include "ztxmlint/ztXMLInt.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::string call(const std::string& inRequest) {
    const char* text = nullptr;
    int32_t length = 0;
    xmlRequest(inRequest.c_str(), &text, &length);
    std::string answer(text, static_cast<size_t>(length));
    releaseResult(text);
    return answer;
}

double percentile(std::vector<double>& ioValues, double inShare) {
    if (ioValues.empty())
        return 0;
    const size_t at = std::min(ioValues.size() - 1, static_cast<size_t>(inShare * ioValues.size()));
    std::nth_element(ioValues.begin(), ioValues.begin() + static_cast<long>(at), ioValues.end());
    return ioValues[at];
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: bench_webext_inprocess CENTRAL SECONDS THREADS...\n");
        return 2;
    }
    xmlSessionManager::getInstance().setDefaultServer(argv[1]);
    const int seconds = std::atoi(argv[2]);
    const std::string login = call(
        R"({"jsonrpc":"2.0","method":"Login","params":{"loginName":"administrator","password":"demo"},"id":1})");
    std::smatch match;
    if (!std::regex_search(login, match, std::regex("\"session\":\"([^\"]+)\""))) {
        std::fprintf(stderr, "login failed: %s\n", login.c_str());
        return 1;
    }
    const std::string request = R"({"jsonrpc":"2.0","method":"GetUsers","params":{"session":")" +
                                match[1].str() + R"(","limit":2},"id":2})";
    for (int i = 3; i < argc; ++i) {
        const int threads = std::atoi(argv[i]);
        std::atomic<bool> stop{false};
        std::vector<std::vector<double>> latencies(static_cast<size_t>(threads));
        std::atomic<uint64_t> failures{0};
        std::vector<std::thread> workers;
        const Clock::time_point start = Clock::now();
        for (int t = 0; t < threads; ++t) {
            workers.emplace_back([&, t] {
                while (!stop.load()) {
                    const Clock::time_point begin = Clock::now();
                    const std::string answer = call(request);
                    latencies[static_cast<size_t>(t)].push_back(
                        std::chrono::duration<double, std::milli>(Clock::now() - begin).count());
                    if (answer.find("\"result\"") == std::string::npos)
                        ++failures;
                }
            });
        }
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        stop = true;
        for (std::thread& worker : workers)
            worker.join();
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        std::vector<double> all;
        for (const auto& list : latencies)
            all.insert(all.end(), list.begin(), list.end());
        const double rate = static_cast<double>(all.size()) / elapsed;
        const double p50 = percentile(all, 0.50);
        const double p90 = percentile(all, 0.90);
        const double p99 = percentile(all, 0.99);
        std::printf("in-process threads=%d requests/s=%.0f p50=%.2fms p90=%.2fms p99=%.2fms "
                    "failures=%llu\n",
                    threads, rate, p50, p90, p99, static_cast<unsigned long long>(failures.load()));
        std::fflush(stdout);
    }
    return 0;
}
