#pragma once
// The one bound on nesting depth that every reader of untrusted documents enforces
// (XML text, JSON text, the binary XML net form). Far deeper than any real request or
// answer, and shallow enough that recursive code working on an accepted tree needs well
// under 256 KiB of stack.

#include <cstddef>

inline constexpr size_t ztMaxNestingDepth = 512;
