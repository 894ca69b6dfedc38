#pragma once
// The value of one hexadecimal digit, shared by the parsers of addresses, escapes and
// percent-encoded query texts.

// The value of a hexadecimal digit of either case, or -1 for any other character.
constexpr int ztHexDigitValue(char inChar) {
    if (inChar >= '0' && inChar <= '9')
        return inChar - '0';
    if (inChar >= 'a' && inChar <= 'f')
        return inChar - 'a' + 10;
    if (inChar >= 'A' && inChar <= 'F')
        return inChar - 'A' + 10;
    return -1;
}
