#pragma once
// A configurable tokenizer over a character stream read line by line, and the same tokenizer
// over an in-memory text. The JSON reader and the REST reference conversions build their
// grammars on it; each first chooses which characters are single-character tokens.

#include "messages/ztErr.h"

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Errors of the lexer, raised inside a ztException whose message carries the parameters
// f (input name), l (line number), t (current token text) and e (expected token).

namespace ztText {
inline constexpr const char* lexUnterminatedComment =
    "Error in file \"$f\" line $l. Unterminated comments.";
inline constexpr const char* lexUnexpectedToken =
    "Error in file \"$f\" line $l. Expected \"$e\" got \"$t\" .";
inline constexpr const char* lexIncorrectFormat = "Error in file \"$f\" line $l. Incorrect format.";
} // namespace ztText

class ztCustomStreamLexer {
public:
    // Token codes. 1 to 255 are single-character tokens whose code is the character.
    static constexpr int tokenNone = 0; // also returned for a NUL byte inside a line
    static constexpr int tokenEndOfLine = 300;
    static constexpr int tokenEndOfFile = 301;
    static constexpr int tokenComment = 302;
    static constexpr int tokenWord = 303;

    // Character class bits; a character may have several.
    static constexpr uint8_t classWhiteSpace = 1;
    static constexpr uint8_t classLineComment = 2; // starts a comment to the end of the line
    static constexpr uint8_t classSingleChar = 4;  // is a token of its own

    // The line buffer starts at this size and grows as described at growBuffer().
    static constexpr size_t initialBufferSize = 1024;

    // No input yet: the first nextToken() answers tokenEndOfFile until setInput() is called.
    ztCustomStreamLexer();
    ztCustomStreamLexer(const ztCustomStreamLexer&) = delete;
    ztCustomStreamLexer& operator=(const ztCustomStreamLexer&) = delete;
    ztCustomStreamLexer(ztCustomStreamLexer&&) noexcept;
    ztCustomStreamLexer& operator=(ztCustomStreamLexer&&) noexcept;
    virtual ~ztCustomStreamLexer();

    // Reads from inStream, which the caller keeps alive and owns; the input has no name.
    virtual void setInput(std::istream& inStream);
    // Reads from inStream (null: an empty input), named inName in error messages. With
    // inOwns the lexer deletes the stream when it is replaced or the lexer is destroyed.
    // Resets position, line count, buffer contents, comment text and the end-of-file flag;
    // character classes, quote character and options stay.
    virtual void setInput(std::istream* inStream, const std::string& inName, bool inOwns);

    // Reads the next token and returns its code. After the end of input every call returns
    // tokenEndOfFile. Throws ztException with ztErr_lexUnterminatedComment,
    // ztErr_lexUnexpectedToken (input ends inside quotes) or ztErr_lexIncorrectFormat
    // (backslash at the end of a line); std::bad_alloc when the line buffer cannot grow.
    virtual int nextToken();
    // The text of the current token: the code's name for tokenNone, tokenEndOfLine and
    // tokenEndOfFile, the comment for tokenComment, otherwise the token's characters (escapes
    // processed when enabled, quotes stripped when enabled). Valid until the next call of
    // nextToken() or setInput().
    virtual std::string_view tokenText() const;
    // "<nul>", "<eol>", "<eof>", "<comment>", the character itself for a printable ASCII
    // code, or the decimal number for any other code.
    virtual std::string tokenName(int inToken) const;

    int currToken() const { return itsCurrToken; }
    // The number of lines read so far.
    uint32_t lineNumber() const { return itsLineNumber; }
    // True when the current token text holds only decimal digits (also when it is empty).
    bool isNumber() const;
    // The current token text as a decimal number with an optional leading "-". Text that is
    // not a number gives 0; a number beyond the range of int64_t saturates at its limit.
    int64_t tokenAsInt() const;

    // The character classes; every character starts as 0 except space and tab (white space).
    void setCharClass(unsigned char inChar, uint8_t inClass) { itsClass[inChar] = inClass; }
    // Adds inClass to every character of inChars.
    void addCharClass(std::string_view inChars, uint8_t inClass);
    uint8_t charClass(unsigned char inChar) const { return itsClass[inChar]; }

    void setQuoteChar(char inQuote) { itsQuote = inQuote; }
    char quoteChar() const { return itsQuote; }

    // Options; the defaults are off except escapes.
    void setReportEndOfLine(bool inOn) { itsReportEndOfLine = inOn; }
    void setReportComments(bool inOn) { itsReportComments = inOn; }
    // Recognises "/*" ... "*/" (possibly over several lines) and "//" to the end of a line.
    void setBlockComments(bool inOn) { itsBlockComments = inOn; }
    // With escapes on, a backslash and three decimal digits give the byte of that value
    // (modulo 256) and a backslash and any other character give that character; off, both
    // stay in the text as written.
    void setEscapes(bool inOn) { itsEscapes = inOn; }
    // Removes the quote characters around a word that begins and ends with one.
    void setStripQuotes(bool inOn) { itsStripQuotes = inOn; }

    // The text of the last comment read, comment characters included.
    const std::string& lastComment() const { return itsComment; }
    // The first line terminator met in the input: "\r", "\n", "\r\n", "\n\r", or empty.
    const std::string& lineEnding() const { return itsLineEnding; }
    // The size of the line buffer in bytes.
    size_t bufferCapacity() const { return itsBuffer.size(); }

protected:
    // Throws a ztException with inError, inTemplate and the parameters f, l, t and e, e being
    // the name of inExpected.
    [[noreturn]] void throwError(ztErr inError, const char* inTemplate, int inExpected) const;

private:
    int setToken(int inToken);
    void skipWhiteSpace();
    // Reads the next line into the buffer, or appends it after a line feed with inAppend.
    // False when the input holds no further line.
    bool readLine(bool inAppend);
    void appendChar(char inChar);
    // Makes room for at least inNeeded bytes: ten times the size, or one and a half times
    // once the buffer is larger than 10239999 bytes.
    void growBuffer(size_t inNeeded);
    void noteLineEnding(char inFirst, int inSecond);
    void readBlockComment();
    void readLineComment();
    void readWord();

    std::unique_ptr<std::istream> itsOwnedInput;
    std::istream* itsBorrowedInput = nullptr; // used when nothing is owned
    std::string itsName;

    std::vector<char> itsBuffer; // the current line, plus continuation lines of a quoted word
    size_t itsLineLength = 0;
    size_t itsPos = 0;
    size_t itsTokenStart = 0;
    size_t itsTokenLength = 0;
    int itsCurrToken = tokenNone;
    uint32_t itsLineNumber = 0;
    bool itsAtEndOfFile = false;
    std::string itsComment;
    std::string itsLineEnding;

    uint8_t itsClass[256] = {};
    char itsQuote = '"';
    bool itsReportEndOfLine = false;
    bool itsReportComments = false;
    bool itsBlockComments = false;
    bool itsEscapes = true;
    bool itsStripQuotes = false;
};

// The lexer over a copy of an in-memory text; the input has no name.
class ztStreamLexer : public ztCustomStreamLexer {
public:
    explicit ztStreamLexer(std::string_view inText = {});
    // Starts over on a copy of inText.
    void setText(std::string_view inText);
};
