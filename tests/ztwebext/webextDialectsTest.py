"""ztwebext's endpoints driven by real clients (curl, http.client) against the stand-in
central server: JSON-RPC, REST, SOAP, the WSDL and its page, credentials, methods."""
import json
import re
import subprocess
import unittest

from webextFixture import Central, WebExt, basic

HOST = "127.0.22.10"

SOAP_GET_USERS = ('<?xml version="1.0"?><soap:Envelope '
                  'xmlns:soap="http://schemas.xmlsoap.org/soap/envelope/"><soap:Body>'
                  '<GetUsers><session>%s</session><limit>1</limit></GetUsers>'
                  '</soap:Body></soap:Envelope>')


def curl(*args):
    """curl's answer: (status, headers lower-cased, body)."""
    result = subprocess.run(["curl", "-s", "-S", "-i", "--max-time", "30", *args],
                            capture_output=True, check=True)
    head, _, body = result.stdout.partition(b"\r\n\r\n")
    while head.startswith(b"HTTP/1.1 100"):
        head, _, body = body.partition(b"\r\n\r\n")
    lines = head.decode().split("\r\n")
    headers = {}
    for line in lines[1:]:
        name, _, value = line.partition(":")
        headers[name.strip().lower()] = value.strip()
    return int(lines[0].split()[1]), headers, body


class DialectsTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.central = Central(HOST)
        cls.web = WebExt(HOST, central=HOST)
        cls.url = cls.web.base

    @classmethod
    def tearDownClass(cls):
        cls.web.stop()
        cls.central.stop()

    def jsonrpc_curl(self, method, params, *extra):
        body = json.dumps({"jsonrpc": "2.0", "method": method, "params": params, "id": 7})
        return curl("-X", "POST", "-H", "Content-Type: application/json", "--data-binary", body,
                    *extra)

    def test_jsonrpc_login_and_command_with_each_way_of_passing_the_session(self):
        status, headers, body = self.jsonrpc_curl(
            "Login", {"loginName": "administrator", "password": "demo"}, self.url + "/jsonrpc")
        self.assertEqual(status, 200)
        self.assertTrue(headers["content-type"].startswith("application/json"))
        session = json.loads(body)["result"]["session"]
        self.assertEqual(len(session), 20)
        for name, params, extra in [
            ("params", {"session": session, "limit": 1}, [self.url + "/jsonrpc"]),
            ("query", {"limit": 1}, [self.url + "/jsonrpc?session=" + session]),
            ("bearer", {"limit": 1}, ["-H", "Authorization: Bearer " + session,
                                      self.url + "/jsonrpc"]),
            ("basic", {"limit": 1}, ["-u", "administrator:demo", self.url + "/jsonrpc"]),
        ]:
            with self.subTest(name):
                status, _, body = self.jsonrpc_curl("GetUsers", params, *extra)
                self.assertEqual(status, 200, body)
                answer = json.loads(body)
                self.assertEqual(answer["id"], 7)
                self.assertIn("administrator", json.dumps(answer["result"]))

    def test_missing_or_bad_credentials_answer_401_with_a_basic_challenge(self):
        cases = [
            ("jsonrpc without session", self.jsonrpc_curl, ("GetUsers", {}, self.url + "/jsonrpc")),
            ("jsonrpc wrong password", self.jsonrpc_curl,
             ("GetUsers", {}, "-u", "administrator:wrong", self.url + "/jsonrpc")),
            ("rest without session", curl, (self.url + "/rest/command/hello",)),
            ("rest wrong password", curl,
             ("-u", "administrator:wrong", self.url + "/rest/command/hello")),
            ("rest unknown scheme", curl,
             ("-H", "Authorization: Digest x=1", self.url + "/rest/command/hello")),
            ("rest bad base64", curl,
             ("-H", "Authorization: Basic !!!", self.url + "/rest/command/hello")),
        ]
        for name, call, args in cases:
            with self.subTest(name):
                status, headers, body = call(*args)
                self.assertEqual(status, 401, body)
                self.assertEqual(headers.get("www-authenticate"), 'Basic realm="ztwebext"')

    def test_basic_credentials_log_in_for_the_one_request_only(self):
        def sessions():
            _, _, body = curl(self.url + "/metrics")
            return float(re.search(rb"^ztwebext_sessions (\S+)$", body, re.M).group(1))

        before = sessions()
        status, _, body = curl("-u", "administrator:demo", self.url + "/rest/command/hello")
        self.assertEqual(status, 204, body)
        self.assertEqual(body, b"")
        self.assertEqual(sessions(), before)

    def test_rest_statuses_content_types_and_the_xml_wanted_flag(self):
        status, headers, body = curl("-X", "POST", "-H", "Content-Type: application/json",
                                     "--data-binary",
                                     '{"loginName":"administrator","password":"demo"}',
                                     self.url + "/rest/command/login")
        self.assertEqual(status, 200, body)
        self.assertTrue(headers["content-type"].startswith("application/json"))
        session = json.loads(body)["result"]["session"]
        bearer = "Authorization: Bearer " + session

        status, _, body = curl("-H", bearer, self.url + "/rest/command/hello")
        self.assertEqual((status, body), (204, b""))

        for name, accept, xml in [("json by default", None, False),
                                  ("application/xml", "application/xml", True),
                                  ("text/xml over json", "application/json;q=0.5, text/xml", True),
                                  ("json over xml", "application/xml;q=0.2, application/json",
                                   False)]:
            with self.subTest(name):
                extra = ["-H", "Accept: " + accept] if accept else []
                status, headers, body = curl(*extra, self.url + "/rest/command/session?session=" +
                                             session)
                self.assertEqual(status, 200, body)
                if xml:
                    self.assertTrue(headers["content-type"].startswith("application/xml"))
                    self.assertIn(session.encode(), body)
                    self.assertTrue(body.lstrip().startswith(b"<"))
                else:
                    self.assertTrue(headers["content-type"].startswith("application/json"))
                    self.assertEqual(json.loads(body)["result"]["session"], session)

        # A path the route table does not know is the dispatcher's 400, in the dialect.
        status, headers, body = curl("-H", bearer, self.url + "/rest/NoSuchCollection/12")
        self.assertEqual(status, 400)
        self.assertIn("error", json.loads(body))

        status, _, body = curl("-X", "DELETE", "-H", bearer, self.url + "/rest/command/logout")
        self.assertIn(status, (200, 204), body)
        # A session given by the client that is gone: the dispatcher's 400, no challenge.
        status, headers, body = curl("-H", bearer, self.url + "/rest/command/hello")
        self.assertEqual(status, 400)
        self.assertEqual(json.loads(body)["error"]["code"], 5003)

    def test_soap_on_both_addresses(self):
        session = self.web.login()
        for path in ["/soap", "/ztwebext.dll?Soap"]:
            with self.subTest(path):
                status, headers, body = curl("-X", "POST", "-H", "Content-Type: text/xml",
                                             "--data-binary", SOAP_GET_USERS % session,
                                             self.url + path)
                self.assertEqual(status, 200)
                self.assertEqual(headers["content-type"], "text/xml; charset=utf-8")
                self.assertIn(b"<GetUsersResponse", body)

    def test_wsdl_address_follows_the_address_the_client_used(self):
        for path, host, expected in [
            ("/wsdl", None, "%s/soap" % self.url),
            ("/ztwebext.dll?WSDL", None, "%s/ztwebext.dll?Soap" % self.url),
            ("/wsdl", "gateway.example:443", "http://gateway.example:443/soap"),
        ]:
            with self.subTest(path=path, host=host):
                extra = ["-H", "Host: " + host] if host else []
                status, headers, body = curl(*extra, self.url + path)
                self.assertEqual(status, 200)
                self.assertTrue(headers["content-type"].startswith("text/xml"))
                locations = re.findall(rb'location="([^"]*)"', body)
                self.assertTrue(locations)
                self.assertEqual({l.decode() for l in locations}, {expected})

    def test_doc_is_html(self):
        status, headers, body = curl(self.url + "/doc")
        self.assertEqual(status, 200)
        self.assertEqual(headers["content-type"], "text/html; charset=utf-8")
        self.assertTrue(body.startswith(b"<!DOCTYPE HTML PUBLIC"))

    def test_methods_head_options_and_405(self):
        for path, allowed, wrong in [
            ("/soap", "POST", "GET"), ("/jsonrpc", "POST", "PUT"), ("/wsdl", "GET", "POST"),
            ("/doc", "GET", "DELETE"), ("/healthz", "GET", "POST"), ("/metrics", "GET", "PUT"),
            ("/openapi.json", "GET", "POST"), ("/", "GET", "POST"),
            ("/rest/command/hello", "GET, PUT, POST, DELETE", "PATCH"),
        ]:
            with self.subTest(path):
                status, headers, _ = self.web.request(wrong, path)
                self.assertEqual(status, 405)
                self.assertEqual(headers["allow"], allowed + ", HEAD, OPTIONS")
                status, headers, _ = self.web.request("OPTIONS", path)
                self.assertEqual(status, 204)
                self.assertEqual(headers["allow"], allowed + ", HEAD, OPTIONS")
        status, headers, body = self.web.request("HEAD", "/healthz")
        self.assertEqual((status, headers["content-length"], body), (200, "3", b""))
        self.assertEqual(self.web.request("GET", "/nothing-here")[0], 404)


if __name__ == "__main__":
    unittest.main()
