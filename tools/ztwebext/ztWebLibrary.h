#pragma once
// The calls ztwebext makes into the library: SOAP through xmlRequest, the WSDL and its page
// through wsdlRequest and wsdlDocRequest, and JSON-RPC and REST through the dispatcher with
// the query and the caller's credentials. Any thread; each call attaches the calling thread
// to the runtime the way the entry points do.

#include <map>
#include <string>

// What a request says about who it is: a session id (query or Bearer), or the login name
// and password of an "Authorization: Basic" header.
struct ztWebCredentials {
    std::string itsSession;
    bool itsBasic = false;
    std::string itsLoginName;
    std::string itsPassword;
};

struct ztWebDispatch {
    std::string itsText;
    int itsStatus = 200;
    std::map<std::string, std::string> itsHeaders; // set by the dispatcher (report files)
};

namespace ztWebLibrary {

// HTTP method codes of the REST route table.
constexpr int methodGet = 3;
constexpr int methodPost = 5;
constexpr int methodPut = 6;
constexpr int methodDelete = 7;

std::string soap(const std::string& inBody);
ztWebDispatch jsonRpc(const std::string& inBody, std::map<std::string, std::string> inQuery,
                      const ztWebCredentials& inCredentials);
// inPath: below "/rest/", not decoded further. inXmlWanted: a body-less request asks for
// an XML answer.
ztWebDispatch rest(const std::string& inPath, int inMethod, const std::string& inBody,
                   std::map<std::string, std::string> inQuery, bool inXmlWanted,
                   const ztWebCredentials& inCredentials);
// inQuery: the raw query text; inServiceAddress: scheme, host and path the client used.
std::string wsdl(const std::string& inQuery, const std::string& inServiceAddress);
std::string wsdlDoc(const std::string& inQuery);

} // namespace ztWebLibrary
