#pragma once
// Message templates shared by several parts of the library. Texts that ask the user to
// notify support all end with the same address, so it is defined once here.

// The address that ends every "Please notify ... Technical Support" text.
#define ZT_SUPPORT_ADDRESS "support@tarvel.example"
#define ZT_NOTIFY_SUPPORT "Please notify Tarvel Technical Support at " ZT_SUPPORT_ADDRESS "."

namespace ztText {

inline constexpr const char* noMemory =
    "Could not perform operation because available memory is exhausted.";
inline constexpr const char* internalErrorAt =
    "An internal error occurred in \"$f\" line \"$l\".  " ZT_NOTIFY_SUPPORT;
inline constexpr const char* unexpectedException =
    "An unexpected exception \"$e\" occurred.  " ZT_NOTIFY_SUPPORT;
inline constexpr const char* internalErrorNamed =
    "An internal error \"$e\" occurred.  " ZT_NOTIFY_SUPPORT;
inline constexpr const char* unspecifiedError =
    "An unspecified error \"$e\" occurred.  " ZT_NOTIFY_SUPPORT;
inline constexpr const char* headerMismatch =
    "Message header mismatch. Please contact Tarvel services.";
inline constexpr const char* itemExists = "Item already exists";
inline constexpr const char* netBroken = "Network connection was unexpectedly broken.";
inline constexpr const char* connectFailed = "Unable to connect to the server \"$s\".";
inline constexpr const char* hostNotFound = "Unable to locate the server \"$s\".";
inline constexpr const char* invalidAuthority = "Invalid authority for user \"$u\".";
inline constexpr const char* requestNotSupported =
    "Request of type \"$t\" is not supported. The server and the client might be incompatible.";
inline constexpr const char* unexpectedData = "Got unexpected data while handling the request. The "
                                              "server and the client might be incompatible.";
inline constexpr const char* handlerNotRunning =
    "Unable to complete operation. Netobject handler not running.";
inline constexpr const char* notRegistered = "Object not registered.";
inline constexpr const char* serverNewer =
    "The server is a newer version. Please download a new program from Tarvel.";
inline constexpr const char* clientNewer = "The client is a newer version than the server \"$s\". "
                                           "Please download a new program from Tarvel.";
inline constexpr const char* tooManyConnectionsForUser =
    "Unable to connect to the server \"$s\". Too many open connections for user \"$u\".";
inline constexpr const char* tooManyConnections =
    "Unable to connect to the server \"$s\". Too many open connections.";
inline constexpr const char* incomingDisabled =
    "Incoming requests have been disabled on this server. Please select a server that is in a "
    "mode that accepts incoming requests and try again.";
inline constexpr const char* invalidXML = "Invalid XML in element <$x>";
inline constexpr const char* unknownError = "Request failed with unknown error.";
inline constexpr const char* networkError = "Network error \"$e\" occurred.";
// ztErr_resFull with a text, for the shortage a user can act on (raise the limit, close
// sessions, free memory).
inline constexpr const char* outOfDescriptors = "Out of system resources: too many open files.";
inline constexpr const char* outOfThreads =
    "Out of system resources: no more threads can be started.";
inline constexpr const char* outOfSocketMemory =
    "Out of system resources: no memory for another connection.";

} // namespace ztText
