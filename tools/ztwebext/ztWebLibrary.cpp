// The calls into the library.
#include "ztwebext/ztWebLibrary.h"

#include "threads/ztThread.h"
#include "ztxmlint/xmlRequestContext.h"
#include "ztxmlint/xmlSessionManager.h"
#include "ztxmlint/ztXMLInt.h"

namespace {

// A result text of the entry points, copied out and given back.
class Result {
public:
    Result() = default;
    Result(const Result&) = delete;
    Result& operator=(const Result&) = delete;
    ~Result() { releaseResult(itsText); }

    std::string text() const {
        return itsText == nullptr ? std::string()
                                  : std::string(itsText, static_cast<size_t>(itsLength));
    }

    const char* itsText = nullptr;
    int32_t itsLength = 0;
};

// The dispatcher with the caller's credentials. A session id travels as the query's
// "session" (the dispatcher's own default for it); Basic credentials as "loginName" and
// "password" with authentication kind 1, which lets the dispatcher log in for this one
// request and end the session with it.
ztWebDispatch dispatch(const std::string& inBody, int inMethod, const std::string& inRestPath,
                       std::map<std::string, std::string> inQuery, bool inXmlWanted,
                       const ztWebCredentials& inCredentials) {
    ztThread::enterFromOutside();
    if (!inCredentials.itsSession.empty() && !inQuery.contains("session"))
        inQuery["session"] = inCredentials.itsSession;
    xmlRequestContext context;
    if (inCredentials.itsBasic) {
        inQuery["loginName"] = inCredentials.itsLoginName;
        inQuery["password"] = inCredentials.itsPassword;
        context.itsAuthentication = 1;
    }
    ztWebDispatch answer;
    xmlSessionManager& manager = xmlSessionManager::getInstance();
    manager.doRequest(inBody.c_str(), inMethod, inRestPath, inQuery, inXmlWanted ? 1 : 0, context,
                      answer.itsText, answer.itsStatus, answer.itsHeaders);
    context.releaseSession(manager);
    return answer;
}

} // namespace

namespace ztWebLibrary {

std::string soap(const std::string& inBody) {
    Result result;
    xmlRequest(inBody.c_str(), &result.itsText, &result.itsLength);
    return result.text();
}

ztWebDispatch jsonRpc(const std::string& inBody, std::map<std::string, std::string> inQuery,
                      const ztWebCredentials& inCredentials) {
    return dispatch(inBody, methodPost, std::string(), std::move(inQuery), false, inCredentials);
}

ztWebDispatch rest(const std::string& inPath, int inMethod, const std::string& inBody,
                   std::map<std::string, std::string> inQuery, bool inXmlWanted,
                   const ztWebCredentials& inCredentials) {
    return dispatch(inBody, inMethod, inPath, std::move(inQuery), inXmlWanted, inCredentials);
}

std::string wsdl(const std::string& inQuery, const std::string& inServiceAddress) {
    Result result;
    wsdlRequest(inQuery.c_str(), inServiceAddress.c_str(), &result.itsText, &result.itsLength);
    return result.text();
}

std::string wsdlDoc(const std::string& inQuery) {
    Result result;
    wsdlDocRequest(inQuery.c_str(), "", &result.itsText, &result.itsLength);
    return result.text();
}

} // namespace ztWebLibrary
