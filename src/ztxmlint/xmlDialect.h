#pragma once
// The dialects a request can arrive in; every answer is rendered in the dialect of its
// request. The numbers are the ones the web-server extension and the logs use.

enum xmlDialect : int {
    xmlDialect_soap = 0,
    xmlDialect_jsonRpc = 1,
    xmlDialect_restJson = 2,
    xmlDialect_restXml = 3,
};
