"""The setting of the ztwebext program tests: the stand-in central server and ztwebext on a
loopback address of the test's own (127.0.22.N), started as real programs and stopped at
the end, with ztwebext's output kept for the checks on what it logs.

The programs are named by the environment: ZTWEBEXT, ZTCENTRAL (CTest sets both)."""
import base64
import http.client
import json
import os
import signal
import socket
import subprocess
import threading
import time

WEBEXT = os.environ.get("ZTWEBEXT", "build/default/tools/ztwebext/ztwebext")
CENTRAL = os.environ.get("ZTCENTRAL", "build/default/tools/ztcentral/ztcentral")
PORT = 18080
START_TIMEOUT = 30


class Output:
    """Collects a pipe's lines on a thread; waits for a line with a time-out."""

    def __init__(self, pipe):
        self.lines = []
        self._cond = threading.Condition()
        self._thread = threading.Thread(target=self._read, args=(pipe,), daemon=True)
        self._thread.start()

    def _read(self, pipe):
        for raw in iter(pipe.readline, b""):
            with self._cond:
                self.lines.append(raw.decode("utf-8", "replace").rstrip("\n"))
                self._cond.notify_all()
        with self._cond:
            self.closed = True
            self._cond.notify_all()

    def wait_for(self, text, timeout=START_TIMEOUT):
        deadline = time.monotonic() + timeout
        with self._cond:
            while True:
                for line in self.lines:
                    if text in line:
                        return line
                left = deadline - time.monotonic()
                if left <= 0 or getattr(self, "closed", False):
                    raise AssertionError("no line with %r in %r" % (text, self.lines))
                self._cond.wait(left)

    def text(self):
        with self._cond:
            return "\n".join(self.lines)


class Central:
    def __init__(self, host, *args):
        self.host = host
        self.process = subprocess.Popen([CENTRAL, "--listen", host, *args],
                                        stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        self.output = Output(self.process.stdout)
        self.output.wait_for("ztcentral: ready")

    def stop(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


class WebExt:
    """ztwebext serving on host:port, its default central server on central (or none)."""

    def __init__(self, host, central=None, args=(), env=None, port=PORT, scheme="http",
                 wait=True, preexec=None):
        self.host = host
        self.port = port
        self.base = "%s://%s:%d" % (scheme, host, port)
        command = [WEBEXT, "--listen", "%s:%d" % (host, port)]
        if central:
            command += ["--central", central]
        command += list(args)
        full_env = dict(os.environ)
        full_env.update(env or {})
        self.process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                        env=full_env, preexec_fn=preexec)
        self.stdout = Output(self.process.stdout)
        self.stderr = Output(self.process.stderr)
        if wait:
            self.stdout.wait_for("ztwebext: serving on")

    def logs(self):
        return self.stdout.text() + "\n" + self.stderr.text()

    def stop(self, sig=signal.SIGTERM, timeout=20):
        if self.process.poll() is None:
            self.process.send_signal(sig)
            try:
                return self.process.wait(timeout)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
                raise AssertionError("ztwebext did not stop within %ss" % timeout)
        return self.process.returncode

    # Plain requests over http.client; each returns (status, headers dict lower-cased, body).
    def request(self, method, path, body=None, headers=None, timeout=30):
        connection = http.client.HTTPConnection(self.host, self.port, timeout=timeout)
        try:
            connection.request(method, path, body=body, headers=headers or {})
            response = connection.getresponse()
            data = response.read()
            return (response.status, {k.lower(): v for k, v in response.getheaders()}, data)
        finally:
            connection.close()

    def jsonrpc(self, method, params, headers=None, path="/jsonrpc"):
        body = json.dumps({"jsonrpc": "2.0", "method": method, "params": params, "id": 1})
        all_headers = {"Content-Type": "application/json"}
        all_headers.update(headers or {})
        status, _, data = self.request("POST", path, body, all_headers)
        return status, json.loads(data)

    def login(self, user="administrator", password="demo"):
        status, answer = self.jsonrpc("Login", {"loginName": user, "password": password})
        assert status == 200, answer
        return answer["result"]["session"]


def basic(user, password):
    return "Basic " + base64.b64encode(("%s:%s" % (user, password)).encode()).decode()


def raw_exchange(host, port, data, timeout=10, read_until_close=True):
    """Sends data on a fresh socket and returns everything read until the peer closes (or,
    without read_until_close, the first chunk)."""
    with socket.create_connection((host, port), timeout=timeout) as sock:
        if data:
            sock.sendall(data)
        chunks = []
        while True:
            try:
                chunk = sock.recv(65536)
            except ConnectionResetError:
                break
            if not chunk:
                break
            chunks.append(chunk)
            if not read_until_close:
                break
        return b"".join(chunks)


def status_of(raw):
    """The status code of the first answer in raw bytes, or None."""
    if not raw.startswith(b"HTTP/1.1 "):
        return None
    return int(raw[9:12])
