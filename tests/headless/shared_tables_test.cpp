#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "recording_fixture.h"
#include "shared_tables.h"

namespace {

// The tables of tests/tables, recorded and read here as on the other system: the Linux and the
// Windows suites both compare what they write and show with the same files, written by
// tests/tables/make.py from the file layout alone.
class SharedTables : public test::Recording, public ::testing::WithParamInterface<std::string> {};

TEST_P(SharedTables, AreRecordedToTheSameBytesAndReadToTheSameTexts) {
  test::write_bytes(path(), test::shared_table(GetParam() + ".table"));
  validate(600, {"Benoît", "déjà vu €"});
  const std::string expected = test::shared_table(GetParam() + ".recorded");
  const std::string got = bytes();
  EXPECT_TRUE(got == expected)
      << "sizes " << got.size() << " and " << expected.size() << ", first difference at byte "
      << std::mismatch(got.begin(), got.end(), expected.begin(), expected.end()).first -
             got.begin();
  ASSERT_NE(recording.viewer(), nullptr);
  EXPECT_EQ(test::grid_rows(recording.viewer()->Grd_livre),
            test::shared_table(GetParam() + ".grid"));
}

INSTANTIATE_TEST_SUITE_P(Tables, SharedTables, ::testing::ValuesIn(test::shared_table_cases()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           return info.param;
                         });

}  // namespace
