"""ztwebext driven by the clients people use: a SOAP client built by python3-zeep from /wsdl,
headless chromium on / and /doc, an OpenAPI 3.1 validator on /openapi.json, a Prometheus
parser on /metrics, and HTTPS with a certificate made here by openssl. None of these is
optional: a missing tool fails the test."""
import json
import os
import shutil
import subprocess
import tempfile
import unittest

import zeep
from prometheus_client.parser import text_string_to_metric_families

from webextFixture import Central, WebExt

HOST = "127.0.22.12"
TLS_HOST = "127.0.22.13"
HERE = os.path.dirname(os.path.abspath(__file__))
NODE_MODULES = os.environ.get("ZTWEBEXT_NODE_MODULES", os.path.join(HERE, "openapi",
                                                                     "node_modules"))
PROMETHEUS_DUMP = os.environ.get("ZTWEBEXT_PROMETHEUS_DUMP")


def chromium_dom(url):
    browser = shutil.which("chromium") or shutil.which("chromium-browser")
    if browser is None:
        raise AssertionError("chromium is not installed (scripts/setup.sh installs it)")
    with tempfile.TemporaryDirectory() as profile:
        result = subprocess.run(
            [browser, "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
             "--user-data-dir=" + profile, "--dump-dom", url],
            capture_output=True, timeout=90)
    if result.returncode != 0:
        raise AssertionError("chromium failed: %s" % result.stderr.decode()[-2000:])
    return result.stdout.decode()


class ClientsTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.central = Central(HOST)
        cls.web = WebExt(HOST, central=HOST)

    @classmethod
    def tearDownClass(cls):
        cls.web.stop()
        cls.central.stop()

    def test_zeep_builds_its_client_from_the_wsdl_and_calls_over_soap(self):
        client = zeep.Client(self.web.base + "/wsdl")
        login = client.service.Login(loginName="administrator", password="demo")
        self.assertEqual(len(login["session"]), 20)
        users = client.service.GetUsers(session=login["session"], limit=2)
        self.assertIn("administrator", str(users))
        with self.assertRaises(zeep.exceptions.Fault):
            client.service.GetUsers(session="", limit=1)

    def test_the_start_page_in_a_browser_links_wsdl_doc_and_openapi(self):
        dom = chromium_dom(self.web.base + "/")
        for link in ['href="/wsdl"', 'href="/doc"', 'href="/openapi.json"']:
            self.assertIn(link, dom)
        self.assertIn("POST /jsonrpc", dom)

    def test_the_documentation_page_in_a_browser(self):
        dom = chromium_dom(self.web.base + "/doc")
        self.assertIn("<body", dom)
        self.assertIn("GetUsers", dom)

    def test_openapi_document_passes_the_validator_and_is_typed_by_the_wsdl(self):
        status, headers, body = self.web.request("GET", "/openapi.json")
        self.assertEqual(status, 200)
        self.assertEqual(headers["content-type"], "application/json")
        document = json.loads(body)
        self.assertEqual(document["openapi"], "3.1.0")
        self.assertIn("/jsonrpc", document["paths"])
        operation = document["paths"]["/rest/command/GetUsers"]["post"]
        schema = operation["requestBody"]["content"]["application/json"]["schema"]
        self.assertEqual(schema["properties"]["limit"]["type"], "integer")
        with tempfile.NamedTemporaryFile("wb", suffix=".json", delete=False) as handle:
            handle.write(body)
        try:
            result = subprocess.run(["node", os.path.join(HERE, "openapi", "validate.mjs"),
                                     handle.name], capture_output=True, timeout=60,
                                    env=dict(os.environ, NODE_PATH=NODE_MODULES))
        finally:
            os.unlink(handle.name)
        self.assertEqual(result.returncode, 0, result.stdout.decode()[:4000] +
                         result.stderr.decode()[:2000])
        self.assertIn("valid OpenAPI 3.1", result.stdout.decode())

    def test_metrics_parse_and_count_requests_latency_bytes_and_sessions(self):
        session = self.web.login()
        self.web.jsonrpc("GetUsers", {"session": session, "limit": 1})
        self.web.request("GET", "/nothing")
        status, headers, body = self.web.request("GET", "/metrics")
        self.assertEqual(status, 200)
        self.assertTrue(headers["content-type"].startswith("text/plain; version=0.0.4"))
        families = {f.name: f for f in text_string_to_metric_families(body.decode())}
        requests = families["ztwebext_requests"]
        self.assertEqual(requests.type, "counter")
        labels = [s.labels for s in requests.samples]
        self.assertIn({"route": "jsonrpc", "dialect": "jsonrpc", "status": "200"}, labels)
        self.assertIn({"route": "other", "dialect": "none", "status": "404"}, labels)
        latency = families["ztwebext_request_duration_seconds"]
        self.assertEqual(latency.type, "histogram")
        counts = [s for s in latency.samples if s.name.endswith("_count") and
                  s.labels == {"route": "jsonrpc"}]
        self.assertGreaterEqual(counts[0].value, 2)
        self.assertGreaterEqual(families["ztwebext_sessions"].samples[0].value, 1)
        self.assertGreaterEqual(families["ztwebext_central_connections"].samples[0].value, 1)
        self.assertGreater(families["ztwebext_received_bytes"].samples[0].value, 0)
        self.assertGreater(families["ztwebext_sent_bytes"].samples[0].value, 0)


class ExpositionTest(unittest.TestCase):
    def test_label_values_with_quotes_backslashes_and_line_feeds_round_trip(self):
        if not PROMETHEUS_DUMP:
            raise AssertionError("ZTWEBEXT_PROMETHEUS_DUMP names the dump program")
        result = subprocess.run([PROMETHEUS_DUMP], capture_output=True, check=True)
        families = {f.name: f for f in text_string_to_metric_families(result.stdout.decode())}
        samples = {s.labels["value"]: s.value for s in families["dump_values"].samples}
        self.assertEqual(samples, {'plain': 1, 'a "quoted" word': 2, "back\\slash": 3,
                                   "two\nlines": 4, "caf\u00e9": 5, "": 6})
        self.assertEqual(families["dump_values"].documentation, "help with \\ and \n inside")
        histogram = families["dump_seconds"]
        buckets = [(s.labels["le"], s.value) for s in histogram.samples
                   if s.name == "dump_seconds_bucket"]
        self.assertEqual(buckets, [("0.1", 1), ("1", 2), ("+Inf", 3)])
        self.assertEqual(families["dump_gauge"].samples[0].value, -2.5)


class TlsTest(unittest.TestCase):
    def test_https_with_a_certificate_made_here(self):
        with tempfile.TemporaryDirectory() as work:
            cert = os.path.join(work, "cert.pem")
            key = os.path.join(work, "key.pem")
            subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes",
                            "-keyout", key, "-out", cert, "-days", "1", "-subj",
                            "/CN=" + TLS_HOST, "-addext", "subjectAltName=IP:" + TLS_HOST],
                           check=True, capture_output=True)
            central = Central(TLS_HOST)
            web = WebExt(TLS_HOST, central=TLS_HOST, scheme="https",
                         args=["--tls-cert", cert, "--tls-key", key])
            try:
                def curl(*args):
                    return subprocess.run(["curl", "-s", "-S", "--max-time", "20", "--cacert",
                                           cert, *args], capture_output=True, check=True).stdout

                self.assertEqual(curl(web.base + "/healthz"), b"ok\n")
                login = json.loads(curl("-X", "POST", "--data-binary", json.dumps(
                    {"jsonrpc": "2.0", "method": "Login", "id": 1,
                     "params": {"loginName": "administrator", "password": "demo"}}),
                    web.base + "/jsonrpc"))
                self.assertEqual(len(login["result"]["session"]), 20)
                self.assertIn(('location="%s/soap"' % web.base).encode(),
                              curl(web.base + "/wsdl"))
                # Plain HTTP on the TLS port is refused, and the server serves on.
                plain = subprocess.run(["curl", "-s", "--max-time", "5",
                                        "http://%s:%d/healthz" % (TLS_HOST, web.port)],
                                       capture_output=True)
                self.assertNotEqual(plain.stdout, b"ok\n")
                self.assertEqual(curl(web.base + "/healthz"), b"ok\n")
            finally:
                web.stop()
                central.stop()


if __name__ == "__main__":
    unittest.main()
