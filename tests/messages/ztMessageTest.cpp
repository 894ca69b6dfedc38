// Message templates, the full-stop rule of error messages and exception conversion.
#include "messages/ztErrorMessage.h"
#include "messages/ztException.h"
#include "messages/ztMessageTexts.h"

#include <gtest/gtest.h>

TEST(ztMessage, placeholder) { EXPECT_TRUE(ztMessage().isEmpty()); }
