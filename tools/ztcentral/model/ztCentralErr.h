#pragma once
// The error values and texts with which the stand-in central server refuses a command.
// They travel to the library as the request's error message and reach web clients as
// faults, so each text names what was wrong: the argument, the reference, the command.
//
// Values used:
//   0x0121 ztErr_itemExists       an object with that name exists already
//   0x0125 ztErr_invalidArgument  a missing, unknown or malformed argument
//   0x0401 objectNotFound         a reference names no object (or no property definition)
//   0x0402 unknownCommand         the command is not one this server runs
//   0x0403 commandRefused         the command's family has been switched off
//   0x0404 notACommand            Login and Logout are answered by the gateway itself
//   0x0405 objectInUse            removing the object would break another one
//   0x0406 ztErr_tooManyConnections the server's connection cap is reached (Connect)
//   16394  loginFailed            unknown login name or wrong password
//   16395  ssoUnknown             no user has the single sign-on account identifier
//   16396  loginRefused           logins are switched off
//   16397  notLoggedIn            a session command before a successful Login
// The library answers the four login values with HTTP 401 (403 on request).

#include "messages/ztErr.h"

inline constexpr ztErr ztCentralErr_objectNotFound = 0x0401;
inline constexpr ztErr ztCentralErr_unknownCommand = 0x0402;
inline constexpr ztErr ztCentralErr_commandRefused = 0x0403;
inline constexpr ztErr ztCentralErr_notACommand = 0x0404;
inline constexpr ztErr ztCentralErr_objectInUse = 0x0405;
inline constexpr ztErr ztCentralErr_loginFailed = 16394;
inline constexpr ztErr ztCentralErr_ssoUnknown = 16395;
inline constexpr ztErr ztCentralErr_loginRefused = 16396;
inline constexpr ztErr ztCentralErr_notLoggedIn = 16397;

namespace ztCentralText {

inline constexpr const char* objectNotFound = "Object \"$r\" not found.";
inline constexpr const char* propertyDefinitionNotFound =
    "Property definition \"$p\" not found for object type \"$t\".";
inline constexpr const char* noFreeAddress = "Range \"$r\" has no free address.";
inline constexpr const char* noRangeForAddress = "No range holds the address \"$r\".";
inline constexpr const char* reportSourceNotFound = "Report source \"$n\" not found.";
inline constexpr const char* unknownCommand = "Unknown command \"$c\".";
inline constexpr const char* commandRefused = "The command \"$c\" is not available on this server.";
inline constexpr const char* notACommand =
    "The command \"$c\" is answered by the web service and cannot be run on the server.";
inline constexpr const char* objectExists = "An object of type \"$t\" named \"$n\" already exists.";
inline constexpr const char* propertyDefinitionExists =
    "A property definition \"$p\" already exists for object type \"$t\".";
inline constexpr const char* objectInUse = "Object \"$r\" cannot be removed: $w";
inline constexpr const char* loginFailed =
    "Login failed for user \"$u\": unknown login name or wrong password.";
inline constexpr const char* ssoUnknown =
    "Single sign-on failed: no user has the account identifier \"$s\".";
inline constexpr const char* loginRefused = "Logins are refused by this server at the moment.";
inline constexpr const char* notLoggedIn = "Not logged in: \"$c\" needs a session; log in first.";
inline constexpr const char* withoutSessionOnly =
    "The command \"$c\" needs a session and cannot run without one.";

// Argument errors (ztErr_invalidArgument).
inline constexpr const char* unknownArgument = "Unknown argument \"$a\" for command \"$c\".";
inline constexpr const char* repeatedArgument = "Argument \"$a\" is given more than once.";
inline constexpr const char* missingArgument = "Missing argument \"$a\" for command \"$c\".";
inline constexpr const char* choiceArgument =
    "Command \"$c\" needs exactly one of the arguments $a.";
inline constexpr const char* unknownNamespace = "Unknown namespace \"$n\"; the namespaces are $l.";
inline constexpr const char* unknownElement = "Unknown element \"$e\" in argument \"$a\".";
inline constexpr const char* missingElement = "Missing element \"$e\" in argument \"$a\".";
inline constexpr const char* structuredValue = "Argument \"$a\" must hold elements, not text.";
inline constexpr const char* notPlainValue = "Argument \"$a\" must hold a plain value.";
inline constexpr const char* invalidValue = "Invalid value \"$v\" for argument \"$a\": $w";
inline constexpr const char* invalidReference =
    "Invalid object reference \"$r\" for argument \"$a\".";
inline constexpr const char* ambiguousReference =
    "Object reference \"$r\" for argument \"$a\" names more than one object.";
inline constexpr const char* wrongObjectType =
    "Object \"$r\" given for argument \"$a\" is not of type \"$t\".";
inline constexpr const char* unknownProperty = "Unknown property \"$p\" for object type \"$t\".";
inline constexpr const char* readOnlyProperty = "Property \"$p\" is read-only.";
inline constexpr const char* systemProperty =
    "Property definition \"$p\" is built in and cannot be changed.";

} // namespace ztCentralText
