// Message templates, the full-stop rule of error messages and the conversion of caught
// exceptions into error messages.
#include "messages/ztErrorMessage.h"
#include "messages/ztException.h"
#include "messages/ztMessageTexts.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

namespace {

TEST(ztMessage, FillsEveryMarkerAndLeavesUnknownOnes) {
    struct Row {
        const char* name;
        ztMessage message;
        const char* expected;
    };
    const Row rows[] = {
        {"server name", ztMessage(ztText::connectFailed, 's', "dns1"),
         "Unable to connect to the server \"dns1\"."},
        {"marker twice", ztMessage("$s and $s", 's', "x"), "x and x"},
        {"marker without parameter", ztMessage("$s and $u", 's', "x"), "x and $u"},
        {"dollar dollar is plain", ztMessage("$$s", 's', "x"), "$x"},
        {"value with own marker is not re-expanded", ztMessage("$s", 's', "$s$s"), "$s$s"},
        {"earlier value filled by later code", ztMessage("$a", 'a', "<$b>", 'b', "B"), "<B>"},
        {"later value not filled by earlier code", ztMessage("$b", 'a', "A", 'b', "<$a>"), "<$a>"},
        {"empty template", ztMessage("", 's', "x"), ""},
        {"null template", ztMessage(static_cast<const char*>(nullptr)), ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.message.getText(), row.expected);
    }
}

TEST(ztMessage, FirstValueOfAParameterWins) {
    ztMessage message("$e");
    message.addParam('e', "first");
    message.addParam('e', "second");
    EXPECT_EQ(message.getText(), "first");
    EXPECT_EQ(message.getParamCount(), 1u);
}

TEST(ztMessage, ParametersWalkInSignedCodeOrder) {
    ztMessage message("");
    message.addParam('u', "user");
    message.addParam('e', 7u);
    message.addParam(static_cast<char>(0xC0), "high");
    char code = 0;
    std::string value;
    ASSERT_TRUE(message.getParamAt(0, code, value));
    EXPECT_EQ(static_cast<unsigned char>(code), 0xC0); // negative as a signed char
    ASSERT_TRUE(message.getParamAt(1, code, value));
    EXPECT_EQ(code, 'e');
    EXPECT_EQ(value, "7");
    ASSERT_TRUE(message.getParamAt(2, code, value));
    EXPECT_EQ(code, 'u');
    EXPECT_FALSE(message.getParamAt(3, code, value));
}

TEST(ztMessage, CopyAssignmentReplacesEverything) {
    ztMessage a("$a", 'a', "1");
    ztMessage b("other $b", 'b', "2");
    a = b;
    EXPECT_EQ(a.getText(), "other 2");
    EXPECT_FALSE(a.hasParam('a'));
    const ztMessage& self = a;
    a = self;
    EXPECT_EQ(a.getText(), "other 2");
}

TEST(ztMessage, TemplateComparisonIgnoresAsciiCase) {
    EXPECT_TRUE(ztMessage("Object Not Registered.").templateEquals("object not registered."));
    EXPECT_FALSE(ztMessage("Object").templateEquals("Objects"));
}

TEST(ztErrorMessage, FullStopRule) {
    struct Row {
        const char* text;
        const char* expected;
    };
    const Row rows[] = {
        {"Broken", "Broken."},
        {"Broken   ", "Broken."},
        {"Done.", "Done."},
        {"Really?", "Really?"},
        {"Stop!", "Stop!"},
        {"Unable to reach \"x.\"", "Unable to reach \"x.\""},
        {"Is it \"x?\"", "Is it \"x?\"."},
        {"   ", ""},
        {"", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(ztErrorMessage(ztErr_internal, row.text).getText(), row.expected);
    }
}

TEST(ztErrorMessage, FilledTemplateEndingInQuotedFullStopGetsNoSecondOne) {
    const ztErrorMessage message(ztErr_connectFailed, ztText::connectFailed, 's', "ipam.local");
    EXPECT_EQ(message.getText(), "Unable to connect to the server \"ipam.local\".");
}

TEST(ztErrorMessage, EmptinessNeedsBothValueAndTemplate) {
    EXPECT_TRUE(ztErrorMessage(ztErr_noError, "text").isEmpty());
    EXPECT_TRUE(ztErrorMessage(ztErr_internal, "").isEmpty());
    EXPECT_FALSE(ztErrorMessage(ztErr_internal, "text").isEmpty());
    ztErrorMessage message(ztErr_internal, "text");
    message.clear();
    EXPECT_EQ(message.getErrorValue(), ztErr_noError);
    EXPECT_TRUE(message.getTemplate().empty());
}

TEST(ztException, CarriesValueAndFormattedText) {
    EXPECT_STREQ(ztException(ztErr_cancelled).what(), "");
    const ztException ex(ztErr_hostNotFound, ztText::hostNotFound, 's', "nowhere");
    EXPECT_EQ(ex.getErrorValue(), ztErr_hostNotFound);
    EXPECT_STREQ(ex.what(), "Unable to locate the server \"nowhere\".");
}

TEST(ztException, InvalidArgumentAlwaysHasItsValue) {
    try {
        throw zt::ex::InvalidArgument("Bad port");
    } catch (const ztException& ex) {
        EXPECT_EQ(ex.getErrorValue(), ztErr_invalidArgument);
        EXPECT_STREQ(ex.what(), "Bad port.");
    }
}

TEST(errorMessageFromException, ConvertsEachKind) {
    const ztErrorMessage fromZt = errorMessageFromException(
        ztException(ztErr_connectFailed, ztText::connectFailed, 's', "a"));
    EXPECT_EQ(fromZt.getErrorValue(), ztErr_connectFailed);
    EXPECT_EQ(fromZt.getText(), "Unable to connect to the server \"a\".");

    const ztErrorMessage fromAlloc = errorMessageFromException(std::bad_alloc());
    EXPECT_EQ(fromAlloc.getErrorValue(), ztErr_noMemory);
    EXPECT_EQ(fromAlloc.getText(), ztText::noMemory);

    const ztErrorMessage fromRange = errorMessageFromException(std::out_of_range("vector"));
    EXPECT_EQ(fromRange.getErrorValue(), ztErr_internal);
    EXPECT_EQ(fromRange.getText(), "An unexpected exception \"vector\" occurred.  Please notify "
                                   "Tarvel Technical Support at " ZT_SUPPORT_ADDRESS ".");
}

TEST(errorMessageFromException, UnspecifiedErrorNamesItsValue) {
    const ztErrorMessage message =
        errorMessageFromException(ztException(0x1234, ztText::unspecifiedError));
    EXPECT_EQ(message.getText(), "An unspecified error \"4660\" occurred.  Please notify Tarvel "
                                 "Technical Support at " ZT_SUPPORT_ADDRESS ".");
    // An "e" already given is kept.
    const ztErrorMessage given =
        errorMessageFromException(ztException(0x1234, ztText::unspecifiedError, 'e', "given"));
    EXPECT_EQ(given.getParam('e'), "given");
}

} // namespace
