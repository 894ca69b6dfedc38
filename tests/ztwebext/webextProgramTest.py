"""ztwebext as a program: its command line, a port in use, the demo mode, and what it never
writes to its logs (passwords, session ids, Basic credentials)."""
import base64
import json
import os
import socket
import subprocess
import time
import unittest

from webextFixture import CENTRAL, WEBEXT, Central, WebExt, basic

HOST = "127.0.22.14"
DEMO_HOST = "127.0.22.15"


def run(*args, env=None):
    return subprocess.run([WEBEXT, *args], capture_output=True, timeout=30,
                          env=dict(os.environ, **(env or {})))


class CommandLineTest(unittest.TestCase):
    def test_help_names_every_option(self):
        result = run("--help")
        self.assertEqual(result.returncode, 0)
        for option in ["--listen", "--central", "--central-fixed", "--session-timeout",
                       "--workers", "--tls-cert", "--tls-key", "--demo", "--log-level",
                       "ZTWEBEXT_READ_TIMEOUT_MS"]:
            self.assertIn(option, result.stdout.decode())

    def test_bad_usage_exits_non_zero_with_one_line(self):
        for name, args, env in [
            ("unknown flag", ["--frobnicate"], None),
            ("missing value", ["--listen"], None),
            ("no port", ["--listen", "127.0.22.14"], None),
            ("bad port", ["--listen", "127.0.22.14:99999"], None),
            ("zero workers", ["--workers", "0"], None),
            ("log level", ["--log-level", "8"], None),
            ("cert without key", ["--tls-cert", "x.pem"], None),
            ("bad environment", [], {"ZTWEBEXT_READ_TIMEOUT_MS": "soon"}),
            ("unreadable certificate", ["--listen", HOST + ":18090", "--tls-cert", "/nonexistent",
                                        "--tls-key", "/nonexistent"], None),
            ("bad address", ["--listen", "not-an-address:18090"], None),
        ]:
            with self.subTest(name):
                result = run(*args, env=env)
                self.assertNotEqual(result.returncode, 0)
                lines = result.stderr.decode().strip().split("\n")
                self.assertEqual(len(lines), 1, lines)
                self.assertTrue(lines[0].startswith("ztwebext: "), lines)

    def test_a_port_in_use_exits_non_zero_with_one_line(self):
        with socket.socket() as taken:
            taken.bind((HOST, 18091))
            taken.listen()
            result = run("--listen", HOST + ":18091")
        self.assertEqual(result.returncode, 1)
        lines = result.stderr.decode().strip().split("\n")
        self.assertEqual(len(lines), 1, lines)
        self.assertIn("cannot listen on %s:18091" % HOST, lines[0])


class SecretsTest(unittest.TestCase):
    def test_passwords_sessions_and_basic_credentials_never_reach_the_logs(self):
        central = Central(HOST)
        web = WebExt(HOST, central=HOST, args=["--log-level", "7"])
        try:
            password = "demo"
            session = web.login("administrator", password)
            web.request("GET", "/rest/command/hello?session=%s&pretty=1" % session)
            web.request("GET", "/rest/command/hello",
                        headers={"Authorization": "Bearer " + session})
            web.request("GET", "/rest/command/hello?loginName=administrator&password=" + password)
            web.request("GET", "/rest/command/hello?%70assword=" + password)
            auth = basic("administrator", password)
            web.request("GET", "/rest/command/hello", headers={"Authorization": auth})
            web.jsonrpc("GetUsers", {"limit": 1}, headers={"Authorization": auth})
        finally:
            web.stop()
            central.stop()
        logs = web.logs()
        self.assertIn("/rest/command/hello?session=***&pretty=1", logs)
        self.assertIn("password=***", logs)
        self.assertIn("%70assword=***", logs)
        for secret in [session, auth.split()[1], "password=" + password]:
            self.assertNotIn(secret, logs)
        access = [l for l in web.stdout.lines if " /rest/" in l or " /jsonrpc" in l]
        self.assertGreaterEqual(len(access), 6)
        for line in access:
            fields = line.split(" ")
            self.assertRegex(fields[0], r"^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z$")
            self.assertRegex(fields[-1], r"^\d+\.\dms$")


class CentralFixedTest(unittest.TestCase):
    def test_a_fixed_central_server_ignores_the_clients_server_parameter(self):
        central = Central(HOST)
        # Nothing listens on the address the client names.
        elsewhere = "/wsdl?server=127.0.22.99"
        try:
            for fixed, reached in [(True, True), (False, False)]:
                with self.subTest(fixed=fixed):
                    web = WebExt(HOST, central=HOST, port=18093,
                                 args=["--central-fixed"] if fixed else [])
                    try:
                        status, _, body = web.request("GET", elsewhere)
                        self.assertEqual(status, 200)
                        self.assertEqual(b"<wsdl:definitions" in body, reached)
                        self.assertEqual(b"Fault" in body, not reached)
                    finally:
                        web.stop()
        finally:
            central.stop()


class SessionTimeoutTest(unittest.TestCase):
    def test_sessions_expire_after_the_timeout_given_on_the_command_line(self):
        central = Central(HOST)
        web = WebExt(HOST, central=HOST, port=18094, args=["--session-timeout", "1"])
        try:
            session = web.login()
            status, _, _ = web.request("GET", "/rest/command/hello?session=" + session)
            self.assertEqual(status, 204)
            # Each look at a live session restarts its idle time, so the test looks only after
            # it has idled for two whole seconds (the library counts whole seconds past the
            # timeout), with a second try for a slow machine; the default is 20 minutes.
            for _ in range(2):
                time.sleep(2.2)
                status, _, body = web.request("GET", "/rest/command/session?session=" + session)
                if json.loads(body)["result"]["session"] == "":
                    break
            self.assertEqual(json.loads(body)["result"]["session"], "")
        finally:
            web.stop()
            central.stop()


class DemoTest(unittest.TestCase):
    def test_demo_runs_the_stand_in_in_process_and_prints_urls_and_credentials(self):
        web = WebExt(DEMO_HOST, args=["--demo"], env={"ZTWEBEXT_DEMO_ADDRESS": DEMO_HOST})
        try:
            out = web.stdout.text()
            self.assertIn("administrator / demo", out)
            self.assertIn(web.base + "/jsonrpc", out)
            session = web.login()
            status, answer = web.jsonrpc("GetUsers", {"session": session, "limit": 1})
            self.assertEqual(status, 200, answer)
        finally:
            self.assertEqual(web.stop(), 0)


if __name__ == "__main__":
    unittest.main()
