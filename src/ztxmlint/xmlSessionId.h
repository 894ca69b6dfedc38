#pragma once
// Session ids: 20 characters from a 60-letter alphabet (w and W are left out). An id is a
// credential, so every character comes from the kernel's random source, without bias.

#include <string>

inline constexpr const char* xmlSessionIdAlphabet =
    "abcdefghijklmnopqrstuvxyzABCDEFGHIJKLMNOPQRSTUVXYZ0123456789";
inline constexpr size_t xmlSessionIdLength = 20;

// A fresh id. Throws ztException ztErr_internal when the random source fails.
std::string generateSessionID();
