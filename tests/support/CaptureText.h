// Captured console output and the check that it holds a text: CaptureText for a piece of
// code, GoogleTest's own calls where a capture starts and ends apart.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

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

// How many times part stands in text, overlapping ones counted.
inline size_t Occurrences(const std::string &text, const std::string &part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) n++;
  return n;
}

#define EXPECT_CONTAINS(text, part) EXPECT_NE(std::string(text).find(part), std::string::npos) << (text)
