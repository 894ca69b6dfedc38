#pragma once
// Error values: unsigned 16-bit numbers, 0 for success, grouped by their high byte
// (0x01 general, 0x02 endpoints, 0x03 net-object protocol, 0x04 server refusals,
// 0x07 stream lexer, 0x08 XML). Values received from the central server travel unchanged.

#include <cstdint>

using ztErr = uint16_t;

inline constexpr ztErr ztErr_noError = 0x0000;

inline constexpr ztErr ztErr_cancelled = 0x0101;
inline constexpr ztErr ztErr_timeout = 0x0102;
inline constexpr ztErr ztErr_noMemory = 0x0103;
inline constexpr ztErr ztErr_resFull = 0x0104;
inline constexpr ztErr ztErr_internal = 0x0105;
inline constexpr ztErr ztErr_encryptionSetup = 0x0110;
inline constexpr ztErr ztErr_itemExists = 0x0121;
inline constexpr ztErr ztErr_invalidArgument = 0x0125;

inline constexpr ztErr ztErr_netWaitFailed = 0x0200;
inline constexpr ztErr ztErr_netNotReady = 0x0201;
inline constexpr ztErr ztErr_netReadWrite = 0x0202;
inline constexpr ztErr ztErr_connectFailed = 0x0203;
inline constexpr ztErr ztErr_netNotAvailable = 0x0204;
inline constexpr ztErr ztErr_notSupported = 0x0205;
inline constexpr ztErr ztErr_hostNotFound = 0x0206;

inline constexpr ztErr ztErr_invalidAuthority = 0x0302;
inline constexpr ztErr ztErr_requestNotSupported = 0x0303;
inline constexpr ztErr ztErr_unexpectedData = 0x0304;
inline constexpr ztErr ztErr_handlerNotRunning = 0x0305;
inline constexpr ztErr ztErr_notRegistered = 0x0306;
inline constexpr ztErr ztErr_versionMismatch = 0x0307;

inline constexpr ztErr ztErr_tooManyConnections = 0x0406;
inline constexpr ztErr ztErr_incomingDisabled = 0x040D;

// Stream lexer: the texts name the input file and line ("Error in file ...").
inline constexpr ztErr ztErr_lexUnterminatedComment = 0x0702;
inline constexpr ztErr ztErr_lexUnexpectedToken = 0x0703;
inline constexpr ztErr ztErr_lexIncorrectFormat = 0x0714;

inline constexpr ztErr ztErr_invalidXML = 0x0801;

// The request service's own faults (decimal, as callers see them).
inline constexpr ztErr ztErr_invalidCommand = 5001;
inline constexpr ztErr ztErr_missingSession = 5002;
inline constexpr ztErr ztErr_invalidSession = 5003;
inline constexpr ztErr ztErr_authenticationNeeded = 5005;
inline constexpr ztErr ztErr_xmlParseBase = 6000; // plus TinyXML's error number
inline constexpr ztErr ztErr_jsonInvalidRequest = 32600;
inline constexpr ztErr ztErr_jsonParse = 32700;

inline constexpr ztErr ztErr_unknown = 0xFFFF;
