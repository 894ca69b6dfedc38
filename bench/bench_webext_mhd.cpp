// The libmicrohttpd candidate for ztwebext's server library, reduced to what the benchmark
// sends: POST /jsonrpc through xmlRequest. MHD runs the handler on its own pool of
// polling threads (the usual way to use it), so the handler blocks while the central
// server answers.
//   bench_webext_mhd CENTRAL_ADDRESS LISTEN_ADDRESS PORT THREADS
#include "platform/ztSignals.h"
#include "ztxmlint/xmlSessionManager.h"
#include "ztxmlint/ztXMLInt.h"

#include <microhttpd.h>

#include <arpa/inet.h>
#include <netinet/in.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

MHD_Result answer(void*, MHD_Connection* ioConnection, const char* inUrl, const char* inMethod,
                  const char*, const char* inData, size_t* ioSize, void** ioState) {
    auto* body = static_cast<std::string*>(*ioState);
    if (body == nullptr) {
        *ioState = new std::string();
        return MHD_YES;
    }
    if (*ioSize > 0) {
        body->append(inData, *ioSize);
        *ioSize = 0;
        return MHD_YES;
    }
    std::string text = "not found";
    unsigned status = MHD_HTTP_NOT_FOUND;
    if (std::strcmp(inMethod, "POST") == 0 && std::strcmp(inUrl, "/jsonrpc") == 0) {
        const char* result = nullptr;
        int32_t length = 0;
        xmlRequest(body->c_str(), &result, &length);
        text.assign(result, static_cast<size_t>(length));
        releaseResult(result);
        status = MHD_HTTP_OK;
    }
    MHD_Response* response =
        MHD_create_response_from_buffer(text.size(), text.data(), MHD_RESPMEM_MUST_COPY);
    MHD_add_response_header(response, "Content-Type", "application/json");
    const MHD_Result queued = MHD_queue_response(ioConnection, status, response);
    MHD_destroy_response(response);
    return queued;
}

void finished(void*, MHD_Connection*, void** ioState, MHD_RequestTerminationCode) {
    delete static_cast<std::string*>(*ioState);
    *ioState = nullptr;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: bench_webext_mhd CENTRAL LISTEN PORT THREADS\n");
        return 2;
    }
    zt::platform::blockTerminationSignals();
    xmlSessionManager::getInstance().setDefaultServer(argv[1]);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(std::atoi(argv[3])));
    inet_pton(AF_INET, argv[2], &address.sin_addr);
    MHD_Daemon* daemon = MHD_start_daemon(
        MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL, 0, nullptr, nullptr, &answer, nullptr,
        MHD_OPTION_SOCK_ADDR, &address, MHD_OPTION_THREAD_POOL_SIZE,
        static_cast<unsigned>(std::atoi(argv[4])), MHD_OPTION_NOTIFY_COMPLETED, &finished, nullptr,
        MHD_OPTION_CONNECTION_LIMIT, 1024u, MHD_OPTION_END);
    if (daemon == nullptr) {
        std::fprintf(stderr, "bench_webext_mhd: cannot listen\n");
        return 1;
    }
    std::printf("bench_webext_mhd: serving\n");
    std::fflush(stdout);
    int signal = 0;
    while (zt::platform::waitForTerminationSignal(-1, signal) != 0) {
    }
    MHD_stop_daemon(daemon);
    return 0;
}
