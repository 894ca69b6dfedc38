"""ztwebext's limits and its behaviour with bad or slow clients, a slow central server and a
stop by signal. Each case starts the program with short time-outs from the environment."""
import json
import re
import resource
import signal
import socket
import threading
import time
import unittest

from webextFixture import Central, WebExt, raw_exchange, status_of

HOST = "127.0.22.11"
MiB = 1024 * 1024


def request_bytes(method, path, headers=(), body=b""):
    lines = ["%s %s HTTP/1.1" % (method, path), "Host: test"]
    lines += list(headers)
    return ("\r\n".join(lines) + "\r\n\r\n").encode() + body


def read_answers(sock, count, timeout=10):
    """Reads count answers (each with Content-Length) from sock; returns their statuses and
    bodies."""
    sock.settimeout(timeout)
    data = b""
    answers = []
    while len(answers) < count:
        head_end = data.find(b"\r\n\r\n")
        if head_end >= 0:
            head = data[:head_end].decode()
            length = int(re.search(r"Content-Length: (\d+)", head).group(1)) \
                if "Content-Length" in head else 0
            if len(data) >= head_end + 4 + length:
                answers.append((int(head[9:12]), data[head_end + 4:head_end + 4 + length]))
                data = data[head_end + 4 + length:]
                continue
        chunk = sock.recv(65536)
        if not chunk:
            break
        data += chunk
    return answers


class LimitsTest(unittest.TestCase):
    """One server without a central server; the limits do not need one."""

    @classmethod
    def setUpClass(cls):
        cls.web = WebExt(HOST, port=18081, env={"ZTWEBEXT_READ_TIMEOUT_MS": "600",
                                                "ZTWEBEXT_IDLE_TIMEOUT_MS": "5000"})

    @classmethod
    def tearDownClass(cls):
        cls.web.stop()

    def exchange(self, data, timeout=10):
        return raw_exchange(HOST, self.web.port, data, timeout)

    def test_a_body_above_16_MiB_is_refused_before_it_is_sent(self):
        # Only the header goes out: an answer that waited for the body would come from the
        # read time-out (408) instead.
        raw = self.exchange(request_bytes("POST", "/jsonrpc",
                                          ["Content-Length: %d" % (16 * MiB + 1)]), timeout=5)
        self.assertEqual(status_of(raw), 413)

    def test_a_chunked_body_growing_past_16_MiB_is_refused(self):
        chunk = b"%x\r\n%s\r\n" % (MiB, b" " * MiB)
        with socket.create_connection((HOST, self.web.port), timeout=10) as sock:
            sock.sendall(request_bytes("POST", "/jsonrpc", ["Transfer-Encoding: chunked"]))
            try:
                for _ in range(17):
                    sock.sendall(chunk)
            except (BrokenPipeError, ConnectionResetError):
                pass
            answers = read_answers(sock, 1)
        self.assertEqual(answers[0][0], 413)

    def test_a_body_of_exactly_16_MiB_is_read(self):
        body = b" " * (16 * MiB)
        raw = self.exchange(request_bytes("GET", "/healthz", ["Content-Length: %d" % len(body),
                                                               "Connection: close"], body))
        self.assertEqual(status_of(raw), 200)

    def test_header_fields_above_the_limit_get_431_and_below_it_are_served(self):
        for size, status in [(60 * 1024, 200), (70 * 1024, 431)]:
            with self.subTest(size=size):
                raw = self.exchange(request_bytes("GET", "/healthz", ["X-Filler: " + "a" * size,
                                                                       "Connection: close"]))
                self.assertEqual(status_of(raw), status)

    def test_a_client_that_sends_too_slowly_is_cut_off_with_408(self):
        started = time.monotonic()
        raw = self.exchange(b"GET /healthz HTTP/1.1\r\nHo", timeout=5)
        self.assertEqual(status_of(raw), 408)
        self.assertLess(time.monotonic() - started, 4)

    def test_malformed_requests_get_400(self):
        for name, data in [
            ("garbage", b"GARBAGE\r\n\r\n"),
            ("bad content length", request_bytes("POST", "/jsonrpc", ["Content-Length: abc"])),
            ("no host in HTTP/1.1", b"GET /healthz HTTP/1.1\r\n\r\n"),
            ("target not a path", request_bytes("GET", "healthz")),
            ("bad chunk size", request_bytes("POST", "/jsonrpc", ["Transfer-Encoding: chunked"],
                                             b"zz\r\n")),
            ("NUL in the body", request_bytes("POST", "/jsonrpc", ["Content-Length: 3",
                                                                   "Connection: close"], b"{\0}")),
        ]:
            with self.subTest(name):
                self.assertEqual(status_of(self.exchange(data)), 400)

    def test_a_client_expecting_100_continue_gets_it_before_sending_its_body(self):
        with socket.create_connection((HOST, self.web.port), timeout=10) as sock:
            sock.sendall(request_bytes("GET", "/healthz", ["Content-Length: 5",
                                                           "Expect: 100-continue"]))
            self.assertEqual(sock.recv(100), b"HTTP/1.1 100 Continue\r\n\r\n")
            sock.sendall(b"hello")
            self.assertEqual(read_answers(sock, 1)[0], (200, b"ok\n"))

    def test_keep_alive_and_pipelined_requests_are_answered_in_order(self):
        with socket.create_connection((HOST, self.web.port), timeout=10) as sock:
            sock.sendall(request_bytes("GET", "/healthz") +
                         request_bytes("OPTIONS", "/soap") +
                         request_bytes("GET", "/nothing") +
                         request_bytes("GET", "/healthz"))
            answers = read_answers(sock, 4)
            self.assertEqual([a[0] for a in answers], [200, 204, 404, 200])
            # The connection stays open for more.
            sock.sendall(request_bytes("GET", "/healthz"))
            self.assertEqual(read_answers(sock, 1)[0], (200, b"ok\n"))

    def test_a_bad_client_leaves_the_others_alone(self):
        # A slow client holding a half request, one sending garbage, one over the header
        # limit: a well-behaved client is answered meanwhile.
        slow = socket.create_connection((HOST, self.web.port), timeout=10)
        slow.sendall(b"POST /jsonrpc HTTP/1.1\r\nHost: x\r\nContent-Length: 100\r\n\r\n{")
        try:
            self.assertEqual(status_of(self.exchange(b"\x00\xff garbage\r\n\r\n")), 400)
            status, _, body = self.web.request("GET", "/healthz", timeout=2)
            self.assertEqual((status, body), (200, b"ok\n"))
        finally:
            slow.close()


class StackTest(unittest.TestCase):
    def test_workers_have_room_for_the_deepest_request_even_under_a_small_stack_limit(self):
        # Threads take their default stack from RLIMIT_STACK; ztwebext sets its own for the
        # workers, so a request nested to the library's bound (512) still fits when the
        # limit is far below what that needs.
        def small_stack():
            resource.setrlimit(resource.RLIMIT_STACK, (64 * 1024, resource.RLIM_INFINITY))

        central = Central(HOST)
        web = WebExt(HOST, central=HOST, port=18086, preexec=small_stack)
        try:
            session = web.login()
            depth = 500
            nested = "<a>" * depth + "x" + "</a>" * depth
            envelope = ('<?xml version="1.0"?><soap:Envelope '
                        'xmlns:soap="http://schemas.xmlsoap.org/soap/envelope/"><soap:Body>'
                        '<GetUsers><session>%s</session>%s</GetUsers></soap:Body>'
                        '</soap:Envelope>' % (session, nested))
            for path in ["/soap", "/jsonrpc"]:
                body = envelope if path == "/soap" else json.dumps(
                    {"jsonrpc": "2.0", "method": "GetUsers", "id": 1,
                     "params": {"session": session, "a": json.loads("[" * depth + "]" * depth)}})
                status, _, _ = web.request("POST", path, body)
                self.assertIn(status, (200, 400))
            self.assertEqual(web.request("GET", "/healthz")[0], 200)
        finally:
            web.stop()
            central.stop()


class ConnectionCapTest(unittest.TestCase):
    def test_connections_beyond_the_cap_get_503_until_one_closes(self):
        web = WebExt(HOST, port=18082, env={"ZTWEBEXT_MAX_CONNECTIONS": "2"})
        try:
            held = []
            for _ in range(2):
                sock = socket.create_connection((HOST, web.port), timeout=10)
                sock.sendall(request_bytes("GET", "/healthz"))
                self.assertEqual(read_answers(sock, 1)[0][0], 200)
                held.append(sock)
            raw = raw_exchange(HOST, web.port, b"")
            self.assertEqual(status_of(raw), 503)
            held.pop().close()
            # The server notices the close asynchronously: bounded retries.
            deadline = time.monotonic() + 5
            while True:
                raw = raw_exchange(HOST, web.port, request_bytes("GET", "/healthz",
                                                                 ["Connection: close"]))
                if status_of(raw) == 200 or time.monotonic() > deadline:
                    break
            self.assertEqual(status_of(raw), 200)
            for sock in held:
                sock.close()
        finally:
            web.stop()


class SlowCentralTest(unittest.TestCase):
    """The central server takes 1.5 s for GetUsers."""

    @classmethod
    def setUpClass(cls):
        cls.central = Central(HOST, "--delay-for", "GetUsers=1500")

    @classmethod
    def tearDownClass(cls):
        cls.central.stop()

    def slow_request(self, web, session, results):
        def run():
            try:
                results.append(web.jsonrpc("GetUsers", {"session": session, "limit": 1}))
            except Exception as error:  # reported by the test's own assertion
                results.append(error)
        thread = threading.Thread(target=run)
        thread.start()
        return thread

    def wait_in_flight(self, web, count):
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            _, _, body = web.request("GET", "/metrics")
            if re.search(rb"^ztwebext_requests_in_flight %d$" % count, body, re.M):
                return
        self.fail("never %d requests in flight" % count)

    def test_a_slow_central_server_does_not_stall_other_connections(self):
        # One worker, busy with the slow request: status pages are still answered at once.
        web = WebExt(HOST, central=HOST, port=18083, args=["--workers", "1"])
        try:
            session = web.login()
            results = []
            thread = self.slow_request(web, session, results)
            self.wait_in_flight(web, 1)
            started = time.monotonic()
            status, _, _ = web.request("GET", "/healthz", timeout=5)
            self.assertEqual(status, 200)
            # Without the quick path it would wait for the slow request (about 1.4 s more).
            self.assertLess(time.monotonic() - started, 1.0)
            thread.join(20)
            self.assertEqual(results[0][0], 200)
        finally:
            web.stop()

    def test_a_signal_lets_requests_in_flight_finish_and_exits_0(self):
        for sig in [signal.SIGTERM, signal.SIGINT]:
            with self.subTest(signal=sig):
                web = WebExt(HOST, central=HOST, port=18084)
                session = web.login()
                results = []
                thread = self.slow_request(web, session, results)
                self.wait_in_flight(web, 1)
                web.process.send_signal(sig)
                thread.join(20)
                self.assertEqual(web.process.wait(20), 0)
                status, answer = results[0]
                self.assertEqual(status, 200)
                self.assertIn("result", answer)
                with self.assertRaises(OSError):
                    socket.create_connection((HOST, web.port), timeout=2).close()

    def test_the_drain_at_a_stop_is_bounded(self):
        web = WebExt(HOST, central=HOST, port=18085, env={"ZTWEBEXT_DRAIN_TIMEOUT_MS": "200"})
        session = web.login()
        results = []
        thread = self.slow_request(web, session, results)
        self.wait_in_flight(web, 1)
        started = time.monotonic()
        web.process.send_signal(signal.SIGTERM)
        self.assertEqual(web.process.wait(10), 0)
        # Unbounded, it would wait for the slow request (about 1.4 s more).
        self.assertLess(time.monotonic() - started, 1.0)
        thread.join(20)


if __name__ == "__main__":
    unittest.main()
