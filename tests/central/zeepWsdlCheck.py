#!/usr/bin/env python3
"""Builds a SOAP client from the stand-in server's WSDL with python3-zeep and checks that
every command of the server is an operation of it, with its input and output elements.

Usage: zeepWsdlCheck.py <central_wsdl_dump program> <work directory>
Exits 77 (skipped) when python3-zeep is not installed."""
import os
import subprocess
import sys

try:
    import zeep
    from lxml import etree
except ImportError:
    print("SKIPPED: python3-zeep is not installed (apt-get install python3-zeep)")
    sys.exit(77)


def main():
    dump, work = sys.argv[1], sys.argv[2]
    os.makedirs(work, exist_ok=True)
    wsdl = os.path.join(work, "central.wsdl")
    names_file = os.path.join(work, "commands.txt")
    subprocess.run([dump, wsdl, names_file], check=True)
    with open(names_file) as handle:
        commands = [line.strip() for line in handle if line.strip()]

    # Nothing is fetched: every type is in the document.
    client = zeep.Client(wsdl=wsdl)
    service = client.wsdl.services["CentralService"]
    port = service.ports["CentralServiceSoap"]
    operations = port.binding._operations
    print("%d operations:" % len(operations))
    for name in sorted(operations):
        operation = operations[name]
        print("  %s(%s) -> %s" % (name, operation.input.signature(),
                                  operation.output.signature()))

    missing = sorted(set(commands) - set(operations))
    extra = sorted(set(operations) - set(commands))
    if missing or extra:
        print("FAILED: missing operations %s, unexpected %s" % (missing, extra))
        return 1

    # The typed values build and serialise: a list call with paging, a structured addition
    # with custom properties, and the alternative of an s:choice.
    factory = client.type_factory("ns0")
    zone = factory.DNSZone(name="corp.example.", dnsServerRef="{#2-#1}", dynamic=True,
                           customProperties={"property": [{"name": "Owner", "value": "x"}]})
    for name, kwargs in (
            ("GetDNSZones", {"session": "s", "filter": "name:corp", "offset": 0, "limit": 5}),
            ("AddDNSZone", {"session": "s", "dnsZone": zone}),
            ("GetIPAMRecord", {"session": "s", "address": "10.0.1.10"})):
        text = etree.tostring(client.create_message(client.service, name, **kwargs))
        if name.encode() not in text:
            print("FAILED: the message of %s does not name it" % name)
            return 1
    print("OK: every command is an operation; messages build")
    return 0


if __name__ == "__main__":
    sys.exit(main())
