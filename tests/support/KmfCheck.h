// Drives the keyword-file access library with fixture files: writes a FixtureFile through it
// and compares what it reads back with a FixtureFile.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "tests/support/MeshFixtures.h"

namespace fixtures {

// Writes every section whose number is in the table, through one block call per section
// (useBlocks) or line by line. Returns the result of the close, 0 when a call failed.
int WriteWithLibrary(const std::string &path, const FixtureFile &f, bool useBlocks);

// Opens the file through the access library and compares version, dimension, every section
// of f (line counts, solution headers, every value; a section of 0 lines must be absent or
// empty) and that sections with numbers outside the table are absent. Block reads unless
// lineByLine; sections with strings line by line.
::testing::AssertionResult FileMatches(const std::string &path, const FixtureFile &f, bool lineByLine = false);

}  // namespace fixtures
