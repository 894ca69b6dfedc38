// Fuzzes the stream lexer under every combination of its options. The first four bytes
// choose the options, a single-character token, a line-comment character and the quote
// character; the rest is the text. Every input must end in the end-of-input token or in one
// of the lexer's own errors, within a number of tokens bounded by the text's length.
#include "messages/ztException.h"
#include "util/ztStreamLexer.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void check(bool inCondition, const char* inWhat) {
    if (inCondition)
        return;
    std::fprintf(stderr, "fuzz_lexer: %s\n", inWhat);
    std::abort();
}

// Reads to the end; false when the lexer raised one of its errors.
bool readAll(ztCustomStreamLexer& ioLexer, size_t inTextSize) {
    // Every token but the last end of line consumes at least one byte of the text, a line
    // terminator, or a line; anything more means the lexer no longer advances.
    const size_t limit = 2 * inTextSize + 4;
    try {
        for (size_t i = 0; i <= limit; ++i) {
            const int token = ioLexer.nextToken();
            check(token == ioLexer.currToken(), "the returned token is not the current one");
            const std::string_view text = ioLexer.tokenText();
            check(text.size() <= inTextSize + 16, "a token is longer than the text");
            ioLexer.isNumber();
            ioLexer.tokenAsInt();
            ioLexer.tokenName(token);
            if (token == ztCustomStreamLexer::tokenEndOfFile)
                return true;
        }
    } catch (const ztException& e) {
        const ztErr error = e.getErrorValue();
        check(error == ztErr_lexUnterminatedComment || error == ztErr_lexUnexpectedToken ||
                  error == ztErr_lexIncorrectFormat,
              "an error outside the lexer's own three");
        return false;
    }
    check(false, "the lexer does not reach the end of its input");
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* inData, size_t inSize) {
    if (inSize < 4)
        return 0;
    const uint8_t options = inData[0];
    ztStreamLexer lexer;
    lexer.setReportEndOfLine(options & 0x01);
    lexer.setReportComments(options & 0x02);
    lexer.setBlockComments(options & 0x04);
    lexer.setEscapes(options & 0x08);
    lexer.setStripQuotes(options & 0x10);
    if (options & 0x20)
        lexer.addCharClass("[{]}:,/~#-", ztCustomStreamLexer::classSingleChar);
    lexer.setCharClass(inData[1], ztCustomStreamLexer::classSingleChar);
    lexer.setCharClass(inData[2], ztCustomStreamLexer::classLineComment);
    lexer.setQuoteChar(static_cast<char>(inData[3]));

    const std::string_view text(reinterpret_cast<const char*>(inData + 4), inSize - 4);
    lexer.setText(text);
    readAll(lexer, text.size());
    // A second input on the same lexer starts from a clean state.
    lexer.setText(text);
    readAll(lexer, text.size());
    return 0;
}
