// The stream lexer: line reading with a growing buffer, white space and comments, quoted
// words that run over line ends, backslash escapes and the lexer's three errors.
#include "util/ztStreamLexer.h"

#include "messages/ztErrorMessage.h"
#include "messages/ztException.h"
#include "messages/ztInfoLog.h"

#include <charconv>
#include <istream>
#include <limits>
#include <new>
#include <sstream>
#include <string>

namespace {

// Past this size the buffer grows by half instead of tenfold, so that a very long line does
// not cost ten times its length.
constexpr size_t kTenfoldLimit = 10239999;

bool isDigit(char inChar) {
    return inChar >= '0' && inChar <= '9';
}

bool isPrintable(int inCode) {
    return inCode >= 0x20 && inCode <= 0x7E;
}

} // namespace

ztCustomStreamLexer::ztCustomStreamLexer() : itsBuffer(initialBufferSize) {
    itsClass[static_cast<unsigned char>(' ')] = classWhiteSpace;
    itsClass[static_cast<unsigned char>('\t')] = classWhiteSpace;
}

ztCustomStreamLexer::ztCustomStreamLexer(ztCustomStreamLexer&&) noexcept = default;
ztCustomStreamLexer& ztCustomStreamLexer::operator=(ztCustomStreamLexer&&) noexcept = default;
ztCustomStreamLexer::~ztCustomStreamLexer() = default;

void ztCustomStreamLexer::setInput(std::istream& inStream) {
    setInput(&inStream, std::string(), false);
}

void ztCustomStreamLexer::setInput(std::istream* inStream, const std::string& inName, bool inOwns) {
    // Setting the stream already owned keeps it owned.
    if (!inStream || inStream != itsOwnedInput.get()) {
        itsOwnedInput.reset(inOwns ? inStream : nullptr);
        itsBorrowedInput = inOwns ? nullptr : inStream;
    }
    itsName = inName;
    itsLineLength = 0;
    itsPos = 0;
    itsTokenStart = 0;
    itsTokenLength = 0;
    itsCurrToken = tokenNone;
    itsLineNumber = 0;
    itsAtEndOfFile = false;
    itsComment.clear();
    itsLineEnding.clear();
}

void ztCustomStreamLexer::addCharClass(std::string_view inChars, uint8_t inClass) {
    for (const char c : inChars)
        itsClass[static_cast<unsigned char>(c)] |= inClass;
}

int ztCustomStreamLexer::setToken(int inToken) {
    itsCurrToken = inToken;
    return inToken;
}

int ztCustomStreamLexer::nextToken() {
    for (;;) {
        if (itsAtEndOfFile)
            return setToken(tokenEndOfFile);
        skipWhiteSpace();
        if (itsPos >= itsLineLength) {
            const bool hadLine = itsLineNumber > 0;
            if (!readLine(false)) {
                itsAtEndOfFile = true;
                // The last line's end is reported once, unless it was just reported.
                if (itsReportEndOfLine && hadLine && itsCurrToken != tokenEndOfLine)
                    return setToken(tokenEndOfLine);
                return setToken(tokenEndOfFile);
            }
            // Reading the first line ends no earlier line.
            if (itsReportEndOfLine && hadLine)
                return setToken(tokenEndOfLine);
            continue;
        }
        const char c = itsBuffer[itsPos];
        const uint8_t cls = itsClass[static_cast<unsigned char>(c)];
        if (cls & classLineComment) {
            readLineComment();
            if (itsReportComments)
                return tokenComment;
            continue;
        }
        if (itsBlockComments && c == '/' && itsPos + 1 < itsLineLength) {
            const char next = itsBuffer[itsPos + 1];
            if (next == '*' || next == '/') {
                if (next == '*')
                    readBlockComment();
                else
                    readLineComment();
                if (itsReportComments)
                    return tokenComment;
                continue;
            }
        }
        if (cls & classSingleChar) {
            itsTokenStart = itsPos++;
            itsTokenLength = 1;
            return setToken(static_cast<unsigned char>(c));
        }
        if (c == '\0') {
            // A NUL inside a line is not text: it is handed to the caller as a token of its
            // own, so that nothing behind it on the line is silently dropped.
            itsTokenStart = itsPos++;
            itsTokenLength = 0;
            return setToken(tokenNone);
        }
        readWord();
        return tokenWord;
    }
}

void ztCustomStreamLexer::skipWhiteSpace() {
    while (itsPos < itsLineLength &&
           (itsClass[static_cast<unsigned char>(itsBuffer[itsPos])] & classWhiteSpace) != 0)
        ++itsPos;
}

bool ztCustomStreamLexer::readLine(bool inAppend) {
    if (!inAppend) {
        itsLineLength = 0;
        itsPos = 0;
    }
    std::istream* input = itsOwnedInput ? itsOwnedInput.get() : itsBorrowedInput;
    std::streambuf* source = input ? input->rdbuf() : nullptr;
    if (!source)
        return false;
    if (itsBuffer.empty()) // moved from
        itsBuffer.resize(initialBufferSize);
    using Traits = std::char_traits<char>;
    int c = source->sbumpc();
    if (Traits::eq_int_type(c, Traits::eof()))
        return false;
    const size_t restoreLength = itsLineLength;
    try {
        if (inAppend)
            appendChar('\n');
        while (!Traits::eq_int_type(c, Traits::eof())) {
            const char ch = Traits::to_char_type(c);
            if (ch == '\r' || ch == '\n') {
                // CR LF and LF CR end a line as one terminator.
                const int other = ch == '\r' ? '\n' : '\r';
                const int next = source->sgetc();
                if (next == other)
                    source->sbumpc();
                noteLineEnding(ch, next == other ? other : -1);
                break;
            }
            appendChar(ch);
            c = source->sbumpc();
        }
    } catch (...) {
        itsLineLength = restoreLength;
        throw;
    }
    itsBuffer[itsLineLength] = '\0';
    ++itsLineNumber;
    return true;
}

void ztCustomStreamLexer::appendChar(char inChar) {
    // One byte stays free for the terminator written behind the line.
    if (itsLineLength + 2 > itsBuffer.size())
        growBuffer(itsLineLength + 2);
    itsBuffer[itsLineLength++] = inChar;
}

void ztCustomStreamLexer::growBuffer(size_t inNeeded) {
    size_t size = itsBuffer.size();
    while (size < inNeeded)
        size = size > kTenfoldLimit ? size + size / 2 : size * 10;
    try {
        itsBuffer.resize(size);
    } catch (const std::bad_alloc&) {
        ztLog(6, "throwing bad_alloc");
        throw;
    }
}

void ztCustomStreamLexer::noteLineEnding(char inFirst, int inSecond) {
    if (!itsLineEnding.empty())
        return;
    itsLineEnding.push_back(inFirst);
    if (inSecond >= 0)
        itsLineEnding.push_back(static_cast<char>(inSecond));
}

void ztCustomStreamLexer::readLineComment() {
    itsCurrToken = tokenComment;
    itsComment.assign(itsBuffer.data() + itsPos, itsLineLength - itsPos);
    itsPos = itsLineLength;
}

void ztCustomStreamLexer::readBlockComment() {
    itsCurrToken = tokenComment;
    itsComment.assign("/*");
    itsPos += 2;
    for (;;) {
        const std::string_view rest(itsBuffer.data() + itsPos, itsLineLength - itsPos);
        const size_t end = rest.find("*/");
        if (end != std::string_view::npos) {
            itsComment.append(rest.substr(0, end + 2));
            itsPos += end + 2;
            return;
        }
        itsComment.append(rest);
        itsComment.push_back('\n');
        if (!readLine(false))
            throwError(ztErr_lexUnterminatedComment, ztText::lexUnterminatedComment, tokenNone);
    }
}

void ztCustomStreamLexer::readWord() {
    itsCurrToken = tokenWord;
    itsTokenStart = itsPos;
    // Escapes only ever shorten the text, so the word is rewritten in place behind the
    // read position.
    size_t out = itsPos;
    bool quoted = false;
    for (;;) {
        itsTokenLength = out - itsTokenStart;
        if (itsPos >= itsLineLength) {
            if (!quoted)
                break;
            // A quoted part continues on the next line, joined by a line feed.
            if (!readLine(true))
                throwError(ztErr_lexUnexpectedToken, ztText::lexUnexpectedToken,
                           static_cast<unsigned char>(itsQuote));
            continue;
        }
        const char c = itsBuffer[itsPos];
        if (c == '\0')
            break;
        if (!quoted && itsClass[static_cast<unsigned char>(c)] != 0)
            break;
        if (c == itsQuote) {
            quoted = !quoted;
            itsBuffer[out++] = itsBuffer[itsPos++];
            continue;
        }
        if (c != '\\') {
            itsBuffer[out++] = itsBuffer[itsPos++];
            continue;
        }
        // A backslash takes the next character, or the next three digits, with it; an
        // escaped quote therefore never switches quoting.
        if (itsPos + 1 >= itsLineLength)
            throwError(ztErr_lexIncorrectFormat, ztText::lexIncorrectFormat, tokenNone);
        const bool threeDigits = itsPos + 3 < itsLineLength && isDigit(itsBuffer[itsPos + 1]) &&
                                 isDigit(itsBuffer[itsPos + 2]) && isDigit(itsBuffer[itsPos + 3]);
        const size_t taken = threeDigits ? 4 : 2;
        if (!itsEscapes) {
            for (size_t i = 0; i < taken; ++i)
                itsBuffer[out++] = itsBuffer[itsPos++];
            continue;
        }
        if (threeDigits) {
            const int value = (itsBuffer[itsPos + 1] - '0') * 100 +
                              (itsBuffer[itsPos + 2] - '0') * 10 + (itsBuffer[itsPos + 3] - '0');
            itsBuffer[out++] = static_cast<char>(value % 256);
        } else {
            itsBuffer[out++] = itsBuffer[itsPos + 1];
        }
        itsPos += taken;
    }
    itsTokenLength = out - itsTokenStart;
}

std::string_view ztCustomStreamLexer::tokenText() const {
    switch (itsCurrToken) {
    case tokenNone:
        return "<nul>";
    case tokenEndOfLine:
        return "<eol>";
    case tokenEndOfFile:
        return "<eof>";
    case tokenComment:
        return itsComment;
    default:
        break;
    }
    std::string_view text(itsBuffer.data() + itsTokenStart, itsTokenLength);
    if (itsCurrToken == tokenWord && itsStripQuotes && text.size() >= 2 &&
        text.front() == itsQuote && text.back() == itsQuote)
        text = text.substr(1, text.size() - 2);
    return text;
}

std::string ztCustomStreamLexer::tokenName(int inToken) const {
    switch (inToken) {
    case tokenNone:
        return "<nul>";
    case tokenEndOfLine:
        return "<eol>";
    case tokenEndOfFile:
        return "<eof>";
    case tokenComment:
        return "<comment>";
    default:
        break;
    }
    if (isPrintable(inToken))
        return std::string(1, static_cast<char>(inToken));
    return std::to_string(inToken);
}

bool ztCustomStreamLexer::isNumber() const {
    for (const char c : tokenText()) {
        if (!isDigit(c))
            return false;
    }
    return true;
}

int64_t ztCustomStreamLexer::tokenAsInt() const {
    const std::string_view text = tokenText();
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc::result_out_of_range)
        return text.front() == '-' ? std::numeric_limits<int64_t>::min()
                                   : std::numeric_limits<int64_t>::max();
    if (error != std::errc() || end != text.data() + text.size())
        return 0;
    return value;
}

void ztCustomStreamLexer::throwError(ztErr inError, const char* inTemplate, int inExpected) const {
    ztErrorMessage message(inError, inTemplate);
    message.addParam('f', itsName);
    message.addParam('l', itsLineNumber);
    message.addParam('t', itsCurrToken == tokenComment ? std::string("<comment>")
                                                       : std::string(tokenText()));
    message.addParam('e', tokenName(inExpected));
    throw ztException(message);
}

ztStreamLexer::ztStreamLexer(std::string_view inText) {
    setText(inText);
}

void ztStreamLexer::setText(std::string_view inText) {
    auto stream = std::make_unique<std::istringstream>(std::string(inText));
    setInput(stream.release(), std::string(), true);
}
