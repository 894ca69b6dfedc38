// The HTTP/1.1 server on Boost.Beast. Every connection reads into its own buffer and feeds
// Beast's request parser by hand, so that the connection knows when the first byte of a
// request arrived (the read time-out runs from then; before that the idle time-out runs)
// and can refuse an announced body above the limit before reading it.
#include "ztwebext/ztWebServer.h"

#include "ztwebext/ztWebAccessLog.h"
#include "ztwebext/ztWebMessage.h"
#include "ztwebext/ztWebMetrics.h"
#include "ztwebext/ztWebRequestReader.h"
#include "ztwebext/ztWebRouter.h"
#include "ztwebext/ztWebWorkers.h"

#include "platform/ztNativeThread.h"

#include <boost/asio.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <list>
#include <mutex>
#include <optional>
#include <string_view>

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace ssl = asio::ssl;
using tcp = asio::ip::tcp;
using Clock = std::chrono::steady_clock;

namespace {

// One read takes at most this much; a request's header must fit maxHeaderBytes anyway.
constexpr size_t kReadChunk = 16 * 1024;
// How long a refused client's remaining bytes are read and dropped before the close.
constexpr uint32_t kLingerMs = 1000;
constexpr std::string_view kContinue = "HTTP/1.1 100 Continue\r\n\r\n";

double millisSince(Clock::time_point inStart) {
    return std::chrono::duration<double, std::milli>(Clock::now() - inStart).count();
}

std::string reasonOf(int inStatus) {
    const beast::string_view reason = http::obsolete_reason(static_cast<http::status>(inStatus));
    return std::string(reason.data(), reason.size());
}

// The status line, the headers, Content-Length and Connection, and the body unless HEAD.
std::string serialize(const ztWebResponse& inResponse, bool inClose) {
    std::string text = "HTTP/1.1 " + std::to_string(inResponse.itsStatus) + ' ' +
                       reasonOf(inResponse.itsStatus) + "\r\n";
    for (const auto& [name, value] : inResponse.itsHeaders) {
        // Header values from the dispatcher must not split the answer.
        if (name.find_first_of("\r\n:") != std::string::npos ||
            value.find_first_of("\r\n") != std::string::npos)
            continue;
        text += name + ": " + value + "\r\n";
    }
    if (inResponse.itsStatus != 204 && inResponse.itsStatus >= 200)
        text += "Content-Length: " + std::to_string(inResponse.itsBody.size()) + "\r\n";
    text += inClose ? "Connection: close\r\n" : "Connection: keep-alive\r\n";
    text += "\r\n";
    if (!inResponse.itsOmitBody && inResponse.itsStatus != 204)
        text += inResponse.itsBody;
    return text;
}

} // namespace

struct ztWebServer::Impl {
    class Connection;
    template <typename Stream> class StreamConnection;

    Impl(Settings inSettings, const ztWebRouter& inRouter, ztWebWorkers& ioWorkers,
         ztWebMetrics& ioMetrics, ztWebAccessLog& ioLog)
        : itsSettings(std::move(inSettings)), itsRouter(inRouter), itsWorkers(ioWorkers),
          itsMetrics(ioMetrics), itsLog(ioLog) {}

    std::string start();
    bool stop(uint32_t inDrainMs);
    void accept();
    void startConnection(tcp::socket inSocket);
    void refuse(tcp::socket inSocket);
    template <typename Refusal>
    static void drainRefused(const std::shared_ptr<Refusal>& inRefusal) {
        inRefusal->itsSocket.async_read_some(asio::buffer(inRefusal->itsDiscard),
                                             [inRefusal](beast::error_code inError, size_t) {
                                                 if (!inError) {
                                                     drainRefused(inRefusal);
                                                     return;
                                                 }
                                                 beast::error_code ignored;
                                                 inRefusal->itsTimer.cancel();
                                                 inRefusal->itsSocket.close(ignored);
                                             });
    }
    void closed(std::list<std::weak_ptr<Connection>>::iterator inEntry);
    static void runLoop(void* ioSelf);

    const Settings itsSettings;
    const ztWebRouter& itsRouter;
    ztWebWorkers& itsWorkers;
    ztWebMetrics& itsMetrics;
    ztWebAccessLog& itsLog;

    asio::io_context itsContext{1};
    // Keeps the loop running while a request is with a worker and nothing else is pending.
    asio::executor_work_guard<asio::io_context::executor_type> itsWork{itsContext.get_executor()};
    std::optional<ssl::context> itsTls;
    tcp::acceptor itsAcceptor{itsContext};
    std::string itsLocalAddress;
    zt::platform::NativeThread itsThread;
    std::atomic<bool> itsStopping{false};

    std::mutex itsConnectionsMutex;
    std::condition_variable itsConnectionsGone;
    std::list<std::weak_ptr<Connection>> itsConnections;
    size_t itsConnectionCount = 0;
};

// The part of a connection that does not depend on TLS: the request being read, the
// deadline, the answer being written.
class ztWebServer::Impl::Connection : public std::enable_shared_from_this<Connection> {
public:
    enum class Phase { waiting, reading, running, writing, closed };

    Connection(Impl& ioServer, asio::any_io_executor inExecutor, std::string inClient,
               std::string inLocal)
        : itsServer(ioServer), itsTimer(inExecutor), itsClient(std::move(inClient)),
          itsLocal(std::move(inLocal)) {}
    virtual ~Connection() = default;

    void begin(std::list<std::weak_ptr<Connection>>::iterator inEntry) {
        std::lock_guard lock(itsLock);
        itsEntry = inEntry;
        startHandshake();
    }

    asio::any_io_executor executor() { return itsTimer.get_executor(); }

    // At a stop: a connection that waits for a request closes now; the others close after
    // their answer. On the connection's executor.
    void stopWhenIdle() {
        std::lock_guard lock(itsLock);
        if (itsPhase == Phase::waiting && itsBuffer.size() == 0)
            close();
    }

protected:
    virtual void startHandshake() = 0;
    virtual void readSome(asio::mutable_buffer inBuffer,
                          std::function<void(beast::error_code, size_t)> inDone) = 0;
    // Writes what the stream takes at once without waiting: would_block when it takes
    // nothing now (always for TLS, whose records cannot be left half written).
    virtual size_t writeNow(asio::const_buffer inText, beast::error_code& outError) = 0;
    virtual void writeAll(asio::const_buffer inText,
                          std::function<void(beast::error_code, size_t)> inDone) = 0;
    virtual void cancelIo() = 0;
    virtual void shutdownAndClose() = 0;
    virtual void shutdownSend() = 0;

    void handshakeDone(beast::error_code inError) {
        disarm();
        if (inError) {
            close();
            return;
        }
        nextRequest();
    }

    // Arms the timer; on expiry the pending I/O is cancelled and the read or write that
    // ends with it sees itsTimedOut. A handler already queued when the timer is disarmed
    // finds its generation outdated and does nothing.
    void armTimer(uint32_t inMs) {
        itsTimedOut = false;
        const uint64_t generation = ++itsTimerGeneration;
        itsTimer.expires_after(std::chrono::milliseconds(inMs));
        itsTimer.async_wait([self = shared_from_this(), generation](beast::error_code inError) {
            if (inError)
                return;
            std::lock_guard lock(self->itsLock);
            if (generation != self->itsTimerGeneration || self->itsPhase == Phase::closed)
                return;
            self->itsTimedOut = true;
            self->cancelIo();
        });
    }

    void disarm() {
        ++itsTimerGeneration;
        itsTimer.cancel();
    }

    Impl& itsServer;
    // The connection's state. Its own handlers run on the reading thread and hold it; the
    // worker that made an answer holds it while it writes the answer and starts the next
    // read itself, which spares waking the reading thread for every answer.
    std::mutex itsLock;
    asio::steady_timer itsTimer;
    uint64_t itsTimerGeneration = 0;

private:
    void nextRequest() {
        if (itsServer.itsStopping.load()) {
            close();
            return;
        }
        itsReader.reset();
        itsPhase = Phase::waiting;
        if (itsBuffer.size() > 0) {
            // A pipelined request is already here.
            itsPhase = Phase::reading;
            itsStart = Clock::now();
            parse(true);
            return;
        }
        // A fresh connection owes its first request within the read time-out; between
        // requests a keep-alive connection may idle longer.
        armTimer(itsServed == 0 ? itsServer.itsSettings.itsReadTimeoutMs
                                : itsServer.itsSettings.itsIdleTimeoutMs);
        read();
    }

    void read() {
        readSome(itsBuffer.prepare(kReadChunk),
                 [self = shared_from_this()](beast::error_code inError, size_t inBytes) {
                     std::lock_guard lock(self->itsLock);
                     self->onRead(inError, inBytes);
                 });
    }

    void onRead(beast::error_code inError, size_t inBytes) {
        if (itsPhase == Phase::closed)
            return;
        itsBuffer.commit(inBytes);
        // The read time-out runs from the first byte, but is armed only when the request is
        // not complete in this read: most arrive whole and need no timer of their own.
        const bool first = inBytes > 0 && itsPhase == Phase::waiting;
        if (first) {
            itsPhase = Phase::reading;
            itsStart = Clock::now();
        }
        if (inError && inBytes == 0) {
            if (itsTimedOut && itsPhase == Phase::reading) {
                answerEarly(408, "the request did not arrive in time\n");
                return;
            }
            close();
            return;
        }
        parse(first);
    }

    // inArm: the read time-out is to be armed if the request is still incomplete.
    void parse(bool inArm) {
        const size_t used =
            itsReader.feed(static_cast<const char*>(itsBuffer.data().data()), itsBuffer.size());
        itsBuffer.consume(used);
        switch (itsReader.state()) {
        case ztWebRequestReader::State::refused:
            answerEarly(itsReader.refusalStatus(), itsReader.refusalText());
            return;
        case ztWebRequestReader::State::complete:
            run();
            return;
        case ztWebRequestReader::State::reading:
            break;
        }
        if (inArm)
            armTimer(itsServer.itsSettings.itsReadTimeoutMs);
        if (itsReader.takeContinue()) {
            itsContinuePending = true;
            writeAll(asio::buffer(kContinue),
                     [self = shared_from_this()](beast::error_code inError, size_t) {
                         std::lock_guard lock(self->itsLock);
                         self->itsContinuePending = false;
                         if (inError) {
                             self->close();
                             return;
                         }
                         // An answer that was ready first waited for this write to end.
                         if (auto deferred = std::move(self->itsDeferredWrite)) {
                             self->itsDeferredWrite = nullptr;
                             deferred();
                         }
                     });
        }
        read();
    }

    // An answer the connection gives itself (limits, malformed input); it closes after it,
    // since the rest of the stream cannot be trusted to start a request.
    void answerEarly(int inStatus, const std::string& inText) {
        disarm();
        ztWebResponse response = ztWebPlainResponse(inStatus, inText);
        ztWebRequest request;
        request.itsClient = itsClient;
        request.itsMethod = itsReader.method();
        ztWebRequestReader::splitTarget(itsReader.target(), request);
        if (itsPhase == Phase::waiting)
            itsStart = Clock::now();
        itsLinger = true;
        respond(std::move(request), std::move(response), true);
    }

    void run() {
        disarm();
        itsPhase = Phase::running;
        ztWebRequest request = itsReader.take(itsKeepAlive);
        request.itsScheme = itsServer.itsTls ? "https" : "http";
        request.itsClient = itsClient;
        request.itsLocalAddress = itsLocal;
        if (itsReader.state() == ztWebRequestReader::State::refused) {
            respond(std::move(request),
                    ztWebPlainResponse(itsReader.refusalStatus(), itsReader.refusalText()), true);
            return;
        }
        if (ztWebRouter::isQuick(request)) {
            ztWebResponse response = itsServer.itsRouter.handle(request);
            respond(std::move(request), std::move(response), false);
            return;
        }
        auto shared = std::make_shared<ztWebRequest>(std::move(request));
        itsServer.itsMetrics.requestStarted();
        // The reading thread leaves the connection alone until the answer is written: no read
        // is pending and the timer is disarmed, so the worker writes the answer and starts
        // the next read itself instead of handing it back.
        const bool queued = itsServer.itsWorkers.post([self = shared_from_this(), shared] {
            ztWebResponse response = self->itsServer.itsRouter.handle(*shared);
            self->itsServer.itsMetrics.requestFinished();
            std::lock_guard lock(self->itsLock);
            self->respond(std::move(*shared), std::move(response), false);
        });
        if (!queued) {
            itsServer.itsMetrics.requestFinished();
            itsServer.itsMetrics.countRefused("queue");
            ztWebResponse busy = ztWebPlainResponse(503, "too many requests waiting\n");
            busy.setHeader("Retry-After", "1");
            respond(std::move(*shared), std::move(busy), false);
        }
    }

    void respond(ztWebRequest inRequest, ztWebResponse inResponse, bool inClose) {
        if (itsPhase == Phase::closed)
            return;
        const bool close =
            inClose || inResponse.itsClose || !itsKeepAlive || itsServer.itsStopping.load();
        itsPhase = Phase::writing;
        const double millis = millisSince(itsStart);
        const uint64_t sent = inResponse.itsOmitBody ? 0 : inResponse.itsBody.size();
        itsServer.itsMetrics.countRequest(inResponse.itsLabels, inResponse.itsStatus,
                                          millis / 1000);
        itsServer.itsMetrics.countBytes(inRequest.itsBody.size(), sent);
        itsServer.itsLog.write(itsClient, inRequest.itsMethod, inRequest.itsPath,
                               inRequest.itsQuery, inRequest.itsHasQuery, inResponse.itsStatus,
                               sent, millis);
        itsOut = serialize(inResponse, close);
        // One write at a time on the stream: an answer never overtakes a "100 Continue".
        if (itsContinuePending) {
            itsDeferredWrite = [this, close] { writeAnswer(close); };
            return;
        }
        writeAnswer(close);
    }

    // An answer usually fits the socket's send buffer and is written at once; only the rest
    // of one that does not waits for the stream under the write time-out.
    void writeAnswer(bool inClose) {
        beast::error_code error;
        const size_t written = writeNow(asio::buffer(itsOut), error);
        if (written == itsOut.size()) {
            answered(inClose, {});
            return;
        }
        if (error && error != asio::error::would_block) {
            answered(inClose, error);
            return;
        }
        armTimer(itsServer.itsSettings.itsWriteTimeoutMs);
        writeAll(asio::buffer(itsOut) + written,
                 [self = shared_from_this(), inClose](beast::error_code inError, size_t) {
                     std::lock_guard lock(self->itsLock);
                     self->disarm();
                     self->answered(inClose, inError);
                 });
    }

    void answered(bool inClose, beast::error_code inError) {
        ++itsServed;
        if (inError || inClose) {
            close();
            return;
        }
        if (itsBuffer.size() == 0) {
            nextRequest();
            return;
        }
        // A pipelined request goes through the connection's executor, so that a long
        // pipeline of quick requests does not nest calls without bound.
        asio::post(executor(), [self = shared_from_this()] {
            std::lock_guard lock(self->itsLock);
            if (self->itsPhase != Phase::closed)
                self->nextRequest();
        });
    }

    void close() {
        if (itsPhase == Phase::closed)
            return;
        if (itsLinger) {
            linger();
            return;
        }
        itsPhase = Phase::closed;
        disarm();
        shutdownAndClose();
        itsServer.closed(itsEntry);
    }

    // After an early answer the client may still be sending (a refused body): closing with
    // unread data would reset the connection before it read the answer. So the sending side
    // is shut, and what still arrives is read and dropped for a bounded time.
    void linger() {
        itsLinger = false;
        itsPhase = Phase::writing;
        shutdownSend();
        armTimer(kLingerMs);
        discard();
    }

    void discard() {
        itsBuffer.clear();
        readSome(itsBuffer.prepare(kReadChunk),
                 [self = shared_from_this()](beast::error_code inError, size_t) {
                     std::lock_guard lock(self->itsLock);
                     if (inError) {
                         self->close();
                         return;
                     }
                     self->discard();
                 });
    }

    std::string itsClient;
    std::string itsLocal;
    bool itsLinger = false;
    std::list<std::weak_ptr<Connection>>::iterator itsEntry;
    Phase itsPhase = Phase::waiting;
    bool itsTimedOut = false;
    bool itsKeepAlive = true;
    uint64_t itsServed = 0;
    Clock::time_point itsStart = Clock::now();
    beast::flat_buffer itsBuffer{maxHeaderBytes + 4 * kReadChunk};
    ztWebRequestReader itsReader{maxHeaderBytes, maxBodyBytes};
    std::string itsOut;
    bool itsContinuePending = false;
    std::function<void()> itsDeferredWrite;
};

// The connection over a plain socket or a TLS stream.
template <typename Stream> class ztWebServer::Impl::StreamConnection : public Connection {
public:
    template <typename... Args>
    StreamConnection(Impl& ioServer, std::string inClient, std::string inLocal,
                     tcp::socket inSocket, Args&&... inArgs)
        : Connection(ioServer, inSocket.get_executor(), std::move(inClient), std::move(inLocal)),
          itsStream(std::move(inSocket), std::forward<Args>(inArgs)...) {}

protected:
    void startHandshake() override {
        if constexpr (std::is_same_v<Stream, tcp::socket>) {
            handshakeDone({});
        } else {
            armTimer(itsServer.itsSettings.itsReadTimeoutMs);
            auto self = std::static_pointer_cast<StreamConnection>(shared_from_this());
            itsStream.async_handshake(ssl::stream_base::server, [self](beast::error_code inError) {
                std::lock_guard lock(self->itsLock);
                self->handshakeDone(inError);
            });
        }
    }

    void readSome(asio::mutable_buffer inBuffer,
                  std::function<void(beast::error_code, size_t)> inDone) override {
        itsStream.async_read_some(inBuffer, std::move(inDone));
    }

    size_t writeNow(asio::const_buffer inText, beast::error_code& outError) override {
        if constexpr (std::is_same_v<Stream, tcp::socket>) {
            // Non-blocking for this call only matters to synchronous calls; the reads and
            // writes that wait go through the reactor either way.
            if (!itsStream.non_blocking())
                itsStream.non_blocking(true, outError);
            if (outError)
                return 0;
            return itsStream.write_some(inText, outError);
        } else {
            outError = asio::error::would_block;
            return 0;
        }
    }

    void writeAll(asio::const_buffer inText,
                  std::function<void(beast::error_code, size_t)> inDone) override {
        asio::async_write(itsStream, inText, std::move(inDone));
    }

    void cancelIo() override {
        beast::error_code ignored;
        socket().cancel(ignored);
    }

    void shutdownSend() override {
        beast::error_code ignored;
        socket().shutdown(tcp::socket::shutdown_send, ignored);
    }

    void shutdownAndClose() override {
        beast::error_code ignored;
        // Half-close first, so that a client still sending a body it was refused for
        // reads the answer instead of a reset.
        socket().shutdown(tcp::socket::shutdown_send, ignored);
        socket().close(ignored);
    }

private:
    tcp::socket& socket() {
        if constexpr (std::is_same_v<Stream, tcp::socket>)
            return itsStream;
        else
            return itsStream.next_layer();
    }

    Stream itsStream;
};

std::string ztWebServer::Impl::start() {
    beast::error_code error;
    const asio::ip::address address = asio::ip::make_address(itsSettings.itsHost, error);
    if (error)
        return "bad listen address \"" + itsSettings.itsHost + "\"";
    if (!itsSettings.itsTlsCert.empty()) {
        itsTls.emplace(ssl::context::tls_server);
        itsTls->set_options(ssl::context::default_workarounds | ssl::context::no_sslv2 |
                            ssl::context::no_sslv3 | ssl::context::no_tlsv1 |
                            ssl::context::no_tlsv1_1);
        itsTls->use_certificate_chain_file(itsSettings.itsTlsCert, error);
        if (error)
            return "cannot read the certificate \"" + itsSettings.itsTlsCert +
                   "\": " + error.message();
        itsTls->use_private_key_file(itsSettings.itsTlsKey, ssl::context::pem, error);
        if (error)
            return "cannot read the key \"" + itsSettings.itsTlsKey + "\": " + error.message();
    }
    const tcp::endpoint endpoint(address, itsSettings.itsPort);
    const std::string where = itsSettings.itsHost + ":" + std::to_string(itsSettings.itsPort);
    itsAcceptor.open(endpoint.protocol(), error);
    if (!error)
        itsAcceptor.set_option(asio::socket_base::reuse_address(true), error);
    if (!error)
        itsAcceptor.bind(endpoint, error);
    if (!error)
        itsAcceptor.listen(asio::socket_base::max_listen_connections, error);
    if (error)
        return "cannot listen on " + where + ": " + error.message();
    const tcp::endpoint local = itsAcceptor.local_endpoint(error);
    itsLocalAddress = local.address().is_v6() ? "[" + local.address().to_string() + "]"
                                              : local.address().to_string();
    itsLocalAddress += ":" + std::to_string(local.port());
    accept();
    if (const int failed = zt::platform::NativeThread::start(&Impl::runLoop, this, itsThread))
        return "cannot start the server thread (error " + std::to_string(failed) + ")";
    return {};
}

void ztWebServer::Impl::runLoop(void* ioSelf) {
    Impl& self = *static_cast<Impl*>(ioSelf);
    // Handlers do not throw; a failure of the loop itself ends serving.
    try {
        self.itsContext.run();
    } catch (const std::exception&) {
    }
}

void ztWebServer::Impl::accept() {
    itsAcceptor.async_accept(
        asio::make_strand(itsContext), [this](beast::error_code inError, tcp::socket inSocket) {
            if (inError == asio::error::operation_aborted || itsStopping.load())
                return;
            if (!inError)
                startConnection(std::move(inSocket));
            accept();
        });
}

void ztWebServer::Impl::startConnection(tcp::socket inSocket) {
    beast::error_code error;
    inSocket.set_option(tcp::no_delay(true), error);
    const tcp::endpoint peer = inSocket.remote_endpoint(error);
    if (error)
        return;
    {
        std::lock_guard lock(itsConnectionsMutex);
        if (itsConnectionCount >= itsSettings.itsMaxConnections) {
            refuse(std::move(inSocket));
            return;
        }
    }
    std::string client = peer.address().to_string() + ":" + std::to_string(peer.port());
    std::shared_ptr<Connection> connection;
    if (itsTls)
        connection = std::make_shared<StreamConnection<ssl::stream<tcp::socket>>>(
            *this, std::move(client), itsLocalAddress, std::move(inSocket), *itsTls);
    else
        connection = std::make_shared<StreamConnection<tcp::socket>>(
            *this, std::move(client), itsLocalAddress, std::move(inSocket));
    std::list<std::weak_ptr<Connection>>::iterator entry;
    {
        std::lock_guard lock(itsConnectionsMutex);
        entry = itsConnections.insert(itsConnections.end(), connection);
        ++itsConnectionCount;
    }
    itsMetrics.connectionOpened();
    asio::dispatch(connection->executor(), [connection, entry] { connection->begin(entry); });
}

// Over the cap: a short 503 written without reading the request. The client may have sent
// its request already; closing with it unread would reset the connection before the answer
// is read, so the sending side is shut first and what arrives is dropped until the client
// closes or the write time-out ends it.
void ztWebServer::Impl::refuse(tcp::socket inSocket) {
    itsMetrics.countRefused("connections");
    ztWebResponse response = ztWebPlainResponse(503, "too many connections\n");
    response.setHeader("Retry-After", "1");
    struct Refusal {
        explicit Refusal(tcp::socket inSocket)
            : itsSocket(std::move(inSocket)), itsTimer(itsSocket.get_executor()) {}
        tcp::socket itsSocket;
        asio::steady_timer itsTimer;
        std::string itsText;
        std::array<char, 4096> itsDiscard{};
    };
    auto refusal = std::make_shared<Refusal>(std::move(inSocket));
    refusal->itsText = serialize(response, true);
    refusal->itsTimer.expires_after(std::chrono::milliseconds(itsSettings.itsWriteTimeoutMs));
    refusal->itsTimer.async_wait([refusal](beast::error_code inError) {
        if (inError)
            return;
        beast::error_code ignored;
        refusal->itsSocket.close(ignored);
    });
    asio::async_write(refusal->itsSocket, asio::buffer(refusal->itsText),
                      [refusal](beast::error_code inError, size_t) {
                          beast::error_code ignored;
                          if (inError) {
                              refusal->itsTimer.cancel();
                              refusal->itsSocket.close(ignored);
                              return;
                          }
                          refusal->itsSocket.shutdown(tcp::socket::shutdown_send, ignored);
                          drainRefused(refusal);
                      });
}

void ztWebServer::Impl::closed(std::list<std::weak_ptr<Connection>>::iterator inEntry) {
    {
        std::lock_guard lock(itsConnectionsMutex);
        itsConnections.erase(inEntry);
        --itsConnectionCount;
    }
    itsMetrics.connectionClosed();
    itsConnectionsGone.notify_all();
}

bool ztWebServer::Impl::stop(uint32_t inDrainMs) {
    itsStopping.store(true);
    asio::post(itsContext, [this] {
        beast::error_code ignored;
        itsAcceptor.close(ignored);
        std::vector<std::shared_ptr<Connection>> live;
        {
            std::lock_guard lock(itsConnectionsMutex);
            for (const auto& weak : itsConnections)
                if (auto connection = weak.lock())
                    live.push_back(std::move(connection));
        }
        for (const auto& connection : live)
            asio::dispatch(connection->executor(), [connection] { connection->stopWhenIdle(); });
    });
    bool drained = false;
    {
        std::unique_lock lock(itsConnectionsMutex);
        drained = itsConnectionsGone.wait_for(lock, std::chrono::milliseconds(inDrainMs),
                                              [this] { return itsConnectionCount == 0; });
    }
    itsWork.reset();
    itsContext.stop();
    if (itsThread.joinable())
        itsThread.join();
    return drained;
}

ztWebServer::ztWebServer(Settings inSettings, const ztWebRouter& inRouter, ztWebWorkers& ioWorkers,
                         ztWebMetrics& ioMetrics, ztWebAccessLog& ioLog)
    : itsImpl(
          std::make_unique<Impl>(std::move(inSettings), inRouter, ioWorkers, ioMetrics, ioLog)) {}

ztWebServer::~ztWebServer() {
    if (itsImpl->itsThread.joinable())
        stop(0);
}

std::string ztWebServer::start() {
    return itsImpl->start();
}

bool ztWebServer::stop(uint32_t inDrainMs) {
    return itsImpl->stop(inDrainMs);
}

std::string ztWebServer::localAddress() const {
    return itsImpl->itsLocalAddress;
}
