// Captured console output and the check that it holds a text, shared by the suites that
// compare the program's messages.
#pragma once

#include <gtest/gtest.h>

#include <string>

using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

#define EXPECT_CONTAINS(text, part) EXPECT_NE(std::string(text).find(part), std::string::npos) << (text)
