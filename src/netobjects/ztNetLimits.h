#pragma once
// Upper bounds on what a peer can make this side hold in memory. The wire allows lengths
// up to 4 GiB and a zlib stream inflates without end, so every received size is checked
// against these before anything is allocated for it.

#include <cstdint>

// The largest packet payload accepted, as announced in the packet frame and after
// inflating it, and the largest object body collected from several packets. This side
// never sends more than about 30 KB per packet; 64 MiB leaves room for any answer a
// server sends in one piece (a WSDL of several megabytes among them).
inline constexpr uint32_t ztNetMaxPayloadSize = 64u * 1024 * 1024;
