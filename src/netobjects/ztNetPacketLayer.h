#pragma once
// Frames the byte stream of one connection into packets: "<" or "(", a big-endian 32-bit
// payload length, the payload (plain, or a zlib stream for "("), and ">". Large payloads
// are compressed when that makes them shorter. Reading is a resumable state machine, so a
// read cut short by a time-out or the wake-up event continues with the next call without
// losing bytes. Encryption, when the connection has it, lies below in the endpoint.

#include "messages/ztErr.h"
#include "netobjects/ztZlibCodec.h"
#include "util/ztTimer.h"

#include <atomic>
#include <cstdint>
#include <vector>

class ztEvent;
class ztNetEndpoint;

class ztNetPacketLayer {
public:
    // Every payload buffer passed across this interface keeps this many free bytes in front
    // of the payload (the marker and the length go there when sending) and one behind it
    // (for the trailer); received payloads are delivered at this offset.
    static constexpr uint32_t payloadOffset = 5;
    // Marker, length and trailer: a packet is its payload length plus this.
    static constexpr uint32_t frameSize = 6;
    // Payloads shorter than this are never compressed.
    static constexpr uint32_t compressionThreshold = 1000;
    static constexpr uint8_t plainMarker = '<';
    static constexpr uint8_t compressedMarker = '(';
    static constexpr uint8_t trailerMarker = '>';

    // Works over inNetEndpoint, which must not be null (zt::ex::InvalidArgument
    // "inNetEndpoint") and stays owned by the caller, outliving the layer. inCompression
    // is the connection's negotiated compression flag: without it nothing is compressed
    // (compressed packets from the peer are still accepted).
    ztNetPacketLayer(ztNetEndpoint* inNetEndpoint, bool inCompression);
    ztNetPacketLayer(const ztNetPacketLayer&) = delete;
    ztNetPacketLayer& operator=(const ztNetPacketLayer&) = delete;
    ~ztNetPacketLayer();

    // Sends the inPayloadLength bytes at offset payloadOffset of ioBuffer as one packet,
    // waiting as long as the endpoint needs. With separate writes, once a write has failed
    // every later one fails with ztErr_netReadWrite unsent: the peer may hold part of a
    // packet. ioBuffer is grown when it lacks the byte for
    // the trailer; the frame is written into it, and a compressed payload replaces the
    // plain one. Returns 0 or the endpoint's error; ztErr_invalidArgument, with nothing
    // sent, for a payload over ztNetMaxPayloadSize, which no peer would accept.
    ztErr writePacket(std::vector<uint8_t>& ioBuffer, uint32_t inPayloadLength);

    // Reads one packet, waiting at most inTimeoutMs milliseconds in all (-1: no limit; the
    // first read of a call is always tried, even with 0). On 0 outBuffer holds the payload
    // at payloadOffset, inflated when it came compressed, and outPayloadLength its length;
    // outBuffer only grows. ztErr_cancelled (the endpoint's interrupt event),
    // ztErr_timeout and ztErr_netNotReady leave the packet half read, to be continued by the
    // next call. Any other endpoint error is returned and breaks the layer; so does a
    // protocol violation, returned as ztErr_netNotAvailable after a log line at level 2:
    // a marker or trailer that is wrong, an announced length or an inflated payload over
    // ztNetMaxPayloadSize, a corrupt zlib stream. A broken layer answers every later read
    // with ztErr_netNotAvailable. Memory used for one packet stays within the bound.
    ztErr readPacket(std::vector<uint8_t>& outBuffer, uint32_t& outPayloadLength,
                     int32_t inTimeoutMs);

    // Whether the endpoint reports itself open. Other threads may ask under the handler's
    // mutex.
    bool isOpen() const;
    // Detaches the wake-up event from the endpoint and closes it.
    void close();
    // Passes inEvent to the endpoint, which ends its waits when the event is set (the
    // handler's wake-up or stop event; null: none). Always true: the endpoint exists.
    bool setEvent(ztEvent* inEvent);
    // Lets one thread write packets while another reads them: writes then wait without a
    // time limit for inWriteInterrupt alone, and the two directions share no state. Writers
    // still take turns among themselves, and neither side may run while the layer closes.
    void separateWrites(ztEvent* inWriteInterrupt);

    // Since bytes last arrived (the handler detects a dead peer by it) and since a packet
    // was last written (it times keep-alives by it).
    const ztTimer& getReceiveTimer() const { return itsReceiveTimer; }
    const ztTimer& getSendTimer() const { return itsSendTimer; }
    ztNetEndpoint* getNetEndpoint() const { return itsNetEndpoint; }
    // Bytes that compression saved, sent and received together (statistics only).
    int64_t getBytesSaved() const { return itsBytesSaved.load(); }
    bool isBroken() const { return itsReadState == ReadState::broken; }

private:
    enum class ReadState : uint8_t {
        expectHeader = 0, // start reading marker and length
        checkHeader = 1,  // marker and length are in
        readBody = 2,     // start reading payload and trailer
        checkTrailer = 3, // payload and trailer are in
        broken = 4,       // terminal
    };

    // Reads what is left of the current step, at most within inTimeLeftMs.
    ztErr readSome(int32_t inTimeLeftMs);
    ztErr checkHeader();
    void startBody();
    ztErr deliver(std::vector<uint8_t>& outBuffer, uint32_t& outPayloadLength);
    // Breaks the layer for good after a protocol violation (logged by the caller) and
    // returns what the read reports for it.
    ztErr breakLayer();

    ReadState itsReadState = ReadState::expectHeader;
    uint32_t itsPacketLength = 0;
    uint32_t itsReadRemaining = 0;
    size_t itsReadCursor = 0;              // offset into itsReceiveBuffer
    std::vector<uint8_t> itsReceiveBuffer; // the packet being read, at payloadOffset
    ztTimer itsReceiveTimer{true};
    ztTimer itsSendTimer{true};
    bool itsCompression;
    bool itsPacketCompressed = false;
    bool itsWriteFailed = false;
    std::atomic<int64_t> itsBytesSaved{0};
    ztNetEndpoint* itsNetEndpoint; // not owned
    // One codec per direction: the two may be used on two threads at once.
    ztZlibCodec itsSendCodec;
    ztZlibCodec itsReceiveCodec;
};
