// Captured console output and the check that it holds a text: the one way the suites read
// what the program printed.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

struct Captured {
  std::string Out, Err;
};

// Runs f with standard output and standard error captured.
inline Captured CaptureText(const std::function<void()> &f) {
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  f();
  Captured c;
  c.Err = testing::internal::GetCapturedStderr();
  c.Out = testing::internal::GetCapturedStdout();
  return c;
}

#define EXPECT_CONTAINS(text, part) EXPECT_NE(std::string(text).find(part), std::string::npos) << (text)
