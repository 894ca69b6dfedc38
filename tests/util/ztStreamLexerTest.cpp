// The stream lexer: token sequences under each option, quoting and escapes, the line
// buffer's growth, and the three errors with their message texts.
#include "util/ztStreamLexer.h"

#include "messages/ztException.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>

namespace {

using Lexer = ztCustomStreamLexer;

// Renders the tokens up to the end of input: words as w(text), comments as c(text), other
// codes by their names, separated by blanks.
std::string tokensOf(ztCustomStreamLexer& ioLexer) {
    std::string result;
    // Far more than any row needs: a lexer that never reaches the end still stops.
    for (int i = 0; i < 100; ++i) {
        const int token = ioLexer.nextToken();
        if (token == Lexer::tokenEndOfFile)
            return result;
        if (!result.empty())
            result += ' ';
        const std::string text(ioLexer.tokenText());
        if (token == Lexer::tokenWord)
            result += "w(" + text + ")";
        else if (token == Lexer::tokenComment)
            result += "c(" + text + ")";
        else
            result += ioLexer.tokenName(token);
    }
    return result + " ...";
}

TEST(ztStreamLexer, TokensUnderEachOption) {
    struct Row {
        const char* name;
        std::string text;
        std::function<void(Lexer&)> setUp;
        const char* expected;
    };
    const auto none = [](Lexer&) {};
    const auto structural = [](Lexer& ioLexer) {
        ioLexer.addCharClass("{}:,", Lexer::classSingleChar);
    };
    const auto endOfLine = [](Lexer& ioLexer) { ioLexer.setReportEndOfLine(true); };
    const auto stripQuotes = [](Lexer& ioLexer) { ioLexer.setStripQuotes(true); };
    const auto noEscapes = [](Lexer& ioLexer) { ioLexer.setEscapes(false); };
    const auto hashComments = [](Lexer& ioLexer) {
        ioLexer.setCharClass('#', Lexer::classLineComment);
        ioLexer.setReportComments(true);
    };
    const auto hashCommentsQuiet = [](Lexer& ioLexer) {
        ioLexer.setCharClass('#', Lexer::classLineComment);
    };
    const auto blockComments = [](Lexer& ioLexer) {
        ioLexer.setBlockComments(true);
        ioLexer.setReportComments(true);
    };
    const Row rows[] = {
        {"blanks and tabs separate words", "a \t b", none, "w(a) w(b)"},
        {"empty input", "", none, ""},
        {"lines join silently", "a\nb\r\nc", none, "w(a) w(b) w(c)"},
        {"single-character tokens", "{a:b,c}", structural, "{ w(a) : w(b) , w(c) }"},
        {"end of one line", "a b", endOfLine, "w(a) w(b) <eol>"},
        {"end of line with terminator", "a\r\nb\r\n", endOfLine, "w(a) <eol> w(b) <eol>"},
        {"blank line", "a\n\nb", endOfLine, "w(a) <eol> <eol> w(b) <eol>"},
        {"no end of line without a line", "", endOfLine, ""},
        {"quoted word keeps blanks", "\"a b\" c", none, "w(\"a b\") w(c)"},
        {"quotes stripped", "\"a b\" c", stripQuotes, "w(a b) w(c)"},
        {"quotes inside a word", "ab\"c d\"e", none, "w(ab\"c d\"e)"},
        {"structural characters quoted", "\"{a:b}\"", structural, "w(\"{a:b}\")"},
        {"escaped quote does not switch", "\"a\\\"b\" c", none, "w(\"a\"b\") w(c)"},
        {"escaped quote kept without escapes", "\"a\\\"b\" c", noEscapes, "w(\"a\\\"b\") w(c)"},
        {"escaped backslash before quote", "\"a\\\\\" c", noEscapes, "w(\"a\\\\\") w(c)"},
        {"three digits", "\\065x", none, "w(Ax)"},
        {"three digits modulo 256", "\\321", none, "w(A)"},
        {"two digits are one escaped digit", "\\06x", none, "w(06x)"},
        {"three digits kept without escapes", "\\065x", noEscapes, "w(\\065x)"},
        {"escaped blank joins", "a\\ b", none, "w(a b)"},
        {"line comment reported", "a # rest\nb", hashComments, "w(a) c(# rest) w(b)"},
        {"line comment skipped", "a#rest\nb", hashCommentsQuiet, "w(a) w(b)"},
        {"comment character quoted", "\"a#b\"", hashComments, "w(\"a#b\")"},
        {"block and line comments", "a /* x\n y */b // tail\nc", blockComments,
         "w(a) c(/* x\n y */) w(b) c(// tail) w(c)"},
        {"slashes are words without block comments", "/*x*/", none, "w(/*x*/)"},
        {"NUL inside a line", std::string("a\0b", 3), none, "w(a) <nul> w(b)"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ztStreamLexer lexer;
        row.setUp(lexer);
        lexer.setText(row.text);
        EXPECT_EQ(tokensOf(lexer), row.expected);
    }
}

TEST(ztStreamLexer, EndOfInputRepeats) {
    ztStreamLexer lexer("a b");
    EXPECT_EQ(lexer.nextToken(), Lexer::tokenWord);
    EXPECT_EQ(lexer.nextToken(), Lexer::tokenWord);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(lexer.nextToken(), Lexer::tokenEndOfFile);
        EXPECT_EQ(lexer.tokenText(), "<eof>");
    }

    ztStreamLexer reported("a");
    reported.setReportEndOfLine(true);
    EXPECT_EQ(reported.nextToken(), Lexer::tokenWord);
    EXPECT_EQ(reported.nextToken(), Lexer::tokenEndOfLine);
    EXPECT_EQ(reported.tokenText(), "<eol>");
    EXPECT_EQ(reported.nextToken(), Lexer::tokenEndOfFile);
    EXPECT_EQ(reported.nextToken(), Lexer::tokenEndOfFile);
}

TEST(ztStreamLexer, QuotedWordRunsOverLineEnds) {
    ztStreamLexer lexer("x \"a\r\nb\n\nc\" y");
    EXPECT_EQ(tokensOf(lexer), "w(x) w(\"a\nb\n\nc\") w(y)");
    EXPECT_EQ(lexer.lineNumber(), 4u);
    EXPECT_EQ(lexer.lineEnding(), "\r\n");
}

TEST(ztStreamLexer, LineEndingIsTheFirstTerminator) {
    struct Row {
        const char* name;
        const char* text;
        const char* ending;
        uint32_t lines;
    };
    const Row rows[] = {
        {"CR", "a\rb\nc", "\r", 3},     {"LF", "a\nb\r\nc", "\n", 3},
        {"CR LF", "a\r\nb", "\r\n", 2}, {"LF CR", "a\n\rb\n", "\n\r", 2},
        {"none", "a", "", 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ztStreamLexer lexer(row.text);
        tokensOf(lexer);
        EXPECT_EQ(lexer.lineEnding(), row.ending);
        EXPECT_EQ(lexer.lineNumber(), row.lines);
    }
}

TEST(ztStreamLexer, LineBufferGrowsForLongLines) {
    struct Row {
        const char* name;
        size_t lineLength;
        size_t capacity;
    };
    // One byte of the buffer is kept for the terminator behind the line.
    const Row rows[] = {
        {"fits the initial buffer", 1023, 1024},
        {"one byte more grows tenfold", 1024, 10240},
        {"tenfold up to the limit", 10239999, 10240000},
        {"past the limit by half", 10240000, 15360000},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string text(row.lineLength, 'x');
        text[row.lineLength / 2] = ' ';
        ztStreamLexer lexer(text + "\nlast");
        ASSERT_EQ(lexer.nextToken(), Lexer::tokenWord);
        EXPECT_EQ(lexer.tokenText(), text.substr(0, row.lineLength / 2));
        ASSERT_EQ(lexer.nextToken(), Lexer::tokenWord);
        EXPECT_EQ(lexer.tokenText().size(), row.lineLength - row.lineLength / 2 - 1);
        EXPECT_EQ(lexer.bufferCapacity(), row.capacity);
        ASSERT_EQ(lexer.nextToken(), Lexer::tokenWord);
        EXPECT_EQ(lexer.tokenText(), "last");
    }
}

TEST(ztStreamLexer, QuotedWordGrowsTheBufferAcrossLines) {
    std::string text = "\"";
    for (int i = 0; i < 300; ++i)
        text += "0123456789\n";
    text += "\"";
    ztStreamLexer lexer(text);
    ASSERT_EQ(lexer.nextToken(), Lexer::tokenWord);
    EXPECT_EQ(lexer.tokenText(), text);
    EXPECT_EQ(lexer.lineNumber(), 301u);
    EXPECT_EQ(lexer.bufferCapacity(), 10240u);
}

struct ErrorRow {
    const char* name;
    std::string text;
    bool blockComments;
    ztErr error;
    const char* message;
};

void expectError(const ErrorRow& inRow, ztCustomStreamLexer& ioLexer) {
    try {
        tokensOf(ioLexer);
        ADD_FAILURE() << "no error";
    } catch (const ztException& e) {
        EXPECT_EQ(e.getErrorValue(), inRow.error);
        EXPECT_STREQ(e.what(), inRow.message);
    }
}

TEST(ztStreamLexer, ErrorsNameInputLineAndTokens) {
    const ErrorRow rows[] = {
        {"unterminated comment", "a /* b\nc", true, 1794,
         "Error in file \"\" line 2. Unterminated comments."},
        {"input ends inside quotes", "\"abc", false, 1795,
         "Error in file \"\" line 1. Expected \"\"\" got \"\"abc\" ."},
        {"quotes open over lines", "x\n\"ab\ncd", false, 1795,
         "Error in file \"\" line 3. Expected \"\"\" got \"\"ab\ncd\" ."},
        {"backslash ends the line", "ab\\\ncd", false, 1812,
         "Error in file \"\" line 1. Incorrect format."},
        {"backslash ends the input", "ab\\", false, 1812,
         "Error in file \"\" line 1. Incorrect format."},
    };
    for (const ErrorRow& row : rows) {
        SCOPED_TRACE(row.name);
        ztStreamLexer lexer;
        lexer.setBlockComments(row.blockComments);
        lexer.setText(row.text);
        expectError(row, lexer);
    }
}

TEST(ztStreamLexer, ErrorsCarryTheInputName) {
    const ErrorRow row{"named input", "one\ntwo \"three", false, 1795,
                       "Error in file \"routes.txt\" line 2. Expected \"\"\" got \"\"three\" ."};
    std::istringstream stream(row.text);
    ztCustomStreamLexer lexer;
    lexer.setInput(&stream, "routes.txt", false);
    expectError(row, lexer);
}

TEST(ztStreamLexer, NewInputStartsOver) {
    ztStreamLexer lexer("\"open\nstill open");
    EXPECT_THROW(lexer.nextToken(), ztException);
    lexer.setText("a /* b */");
    EXPECT_EQ(lexer.lineNumber(), 0u);
    EXPECT_EQ(tokensOf(lexer), "w(a) w(/*) w(b) w(*/)");
    EXPECT_EQ(lexer.lineNumber(), 1u);

    std::istringstream borrowed("x y");
    lexer.setInput(borrowed);
    EXPECT_EQ(tokensOf(lexer), "w(x) w(y)");
    lexer.setInput(nullptr, "none", false);
    EXPECT_EQ(tokensOf(lexer), "");
}

TEST(ztStreamLexer, TokenNames) {
    const ztStreamLexer lexer;
    const std::pair<int, const char*> rows[] = {
        {0, "<nul>"},   {9, "9"},           {' ', " "},   {'A', "A"},
        {'~', "~"},     {127, "127"},       {200, "200"}, {300, "<eol>"},
        {301, "<eof>"}, {302, "<comment>"}, {303, "303"},
    };
    for (const auto& [code, name] : rows) {
        SCOPED_TRACE(code);
        EXPECT_EQ(lexer.tokenName(code), name);
    }
}

TEST(ztStreamLexer, NumbersInWords) {
    struct Row {
        const char* text;
        bool isNumber;
        int64_t value;
    };
    const Row rows[] = {
        {"41", true, 41},
        {"\"\"", true, 0}, // empty once the quotes are stripped
        {"007", true, 7},
        {"12a", false, 0},
        {"-5", false, -5},
        {"99999999999999999999", true, INT64_MAX},
        {"-99999999999999999999", false, INT64_MIN},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        ztStreamLexer lexer(row.text);
        lexer.setStripQuotes(true);
        ASSERT_EQ(lexer.nextToken(), Lexer::tokenWord);
        EXPECT_EQ(lexer.isNumber(), row.isNumber);
        EXPECT_EQ(lexer.tokenAsInt(), row.value);
    }
}

TEST(ztStreamLexer, ClassesCanChangeBetweenTokens) {
    // A grammar may turn a token character into a word character part-way through.
    ztStreamLexer lexer("a/b/c d");
    lexer.addCharClass("/", Lexer::classSingleChar);
    EXPECT_EQ(lexer.nextToken(), Lexer::tokenWord);
    EXPECT_EQ(lexer.nextToken(), '/');
    lexer.setCharClass('/', 0);
    EXPECT_EQ(lexer.nextToken(), Lexer::tokenWord);
    EXPECT_EQ(lexer.tokenText(), "b/c");
}

} // namespace
