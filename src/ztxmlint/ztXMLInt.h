/* The C interface of ztXMLInt.dll (libztXMLInt.so on Linux), called by the web-server
 * extension from any number of worker threads at once. Every result text belongs to the library
 * until it is given back through releaseResult; the functions never fail through their return
 * value, every failure comes back inside the result text as a SOAP fault or a JSON error object. */
#pragma once

#include <stdint.h>

/* On Windows the six functions are exported from the DLL under their plain names with the
 * C calling convention; a host that includes this header imports them from it. A host that
 * links the library's static objects defines ZTXMLINT_STATIC. */
#if defined(_WIN32)
#if defined(ZTXMLINT_BUILDING)
#define ZTXMLINT_EXPORT __declspec(dllexport)
#elif defined(ZTXMLINT_STATIC)
#define ZTXMLINT_EXPORT
#else
#define ZTXMLINT_EXPORT __declspec(dllimport)
#endif
#elif defined(__GNUC__)
#define ZTXMLINT_EXPORT __attribute__((visibility("default")))
#else
#define ZTXMLINT_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Runs one request: a SOAP envelope, a JSON-RPC object, or an empty text (JSON-RPC).
 * *outResult receives the NUL-terminated answer, *outLength its length without the NUL.
 * Returns 0. */
ZTXMLINT_EXPORT int32_t xmlRequest(const char* inRequest, const char** outResult,
                                   int32_t* outLength);

/* Logs the local account inLoginName in by single sign-on (when inAuthName is not empty)
 * on inServer; the answer is the SOAP Login answer. Returns 0. */
ZTXMLINT_EXPORT int32_t ssoRequest(const char* inAuthName, const char* inLoginName,
                                   const char* inServer, const char** outResult,
                                   int32_t* outLength);

/* The server's WSDL with its service address set to inServiceAddress, for the web
 * request's query text inQuery. Returns 0. */
ZTXMLINT_EXPORT int32_t wsdlRequest(const char* inQuery, const char* inServiceAddress,
                                    const char** outResult, int32_t* outLength);

/* The documentation page of the server's WSDL for the query text inQuery; inUnused plays
 * no part. Returns 0. */
ZTXMLINT_EXPORT int32_t wsdlDocRequest(const char* inQuery, const char* inUnused,
                                       const char** outResult, int32_t* outLength);

/* Idle timeout of sessions in seconds (0 counts as 1). Returns 1. */
ZTXMLINT_EXPORT int32_t setSessionTimeout(int32_t inSeconds);

/* Gives a result text back. Null, unknown and already released pointers are ignored. */
ZTXMLINT_EXPORT void releaseResult(const char* inResult);

#ifdef __cplusplus
}
#endif
