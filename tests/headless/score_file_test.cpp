#include <gtest/gtest.h>

#include <random>
#include <string>

#include "score_support.h"
#include "scores/cp1252.h"
#include "scores/score_file.h"
#include "scores/score_slot.h"
#include "ui/runtime_error.h"

using namespace Module1;
using test::slot;

namespace {

class ScoreFileBytes : public test::ScoreFileTest {
 protected:
  void write_record(int place, ScoreRecord record) {
    score_rec = std::move(record);
    store.rewrite([&](scores::ScoreTable& table) { table.write(place, score_rec); });
  }
  ScoreRecord read_record(int place) {
    scores::ScoreFile file(store);
    file.open_for_reading();
    file.read_place(place);
    file.close();
    return score_rec;
  }
  // Reads as the viewer does: at end tested before each read next.
  int count_sequential_reads() {
    scores::ScoreFile file(store);
    file.open_for_reading();
    int n = 0;
    while (!file.at_end() && n < 100) {
      file.read_next();
      ++n;
    }
    return n;
  }
};

TEST_F(ScoreFileBytes, ScoresAreLittleEndianSigned16Bits) {
  write_record(1, {scores::fixed30("A"), 1000, ""});
  EXPECT_EQ(bytes().substr(30, 2), std::string("\xE8\x03", 2));
  write_record(2, {scores::fixed30("B"), -1, ""});
  EXPECT_EQ(bytes().substr(128 + 30, 2), std::string("\xFF\xFF", 2));
  EXPECT_EQ(read_record(2).score, -1);
  EXPECT_EQ(read_record(1).score, 1000);
}

// Whatever text the record holds: the slot has room for 30 characters, no more, no fewer.
TEST_F(ScoreFileBytes, NicknameIsPaddedWithBlanksOrCutTo30) {
  write_record(1, {"Zo", 5, ""});
  EXPECT_EQ(bytes().substr(0, 30), "Zo" + std::string(28, ' '));
  EXPECT_EQ(read_record(1).pseudo, "Zo" + std::string(28, ' ')) << "nothing is trimmed";
  write_record(1, {std::string(31, 'x'), 5, ""});
  EXPECT_EQ(bytes().substr(0, 30), std::string(30, 'x'));
  EXPECT_EQ(bytes()[30], '\x05');
}

TEST_F(ScoreFileBytes, TextIsWindows1252OnDisk) {
  write_record(1, {scores::fixed30("é€"), 1, "ça grimpe — œuf"});
  EXPECT_EQ(bytes().substr(0, 2), "\xE9\x80");
  EXPECT_EQ(bytes().substr(32, 2), std::string("\x0F\x00", 2)) << "15 characters, 15 bytes";
  EXPECT_EQ(bytes().substr(34, 15),
            "\xE7"
            "a grimpe \x97 \x9C"
            "uf");
  const ScoreRecord back = read_record(1);
  EXPECT_EQ(back.pseudo, scores::fixed30("é€"));
  EXPECT_EQ(back.comment, "ça grimpe — œuf");
}

TEST_F(ScoreFileBytes, CharactersWindows1252LacksAreStoredAsQuestionMarks) {
  write_record(1, {scores::fixed30("日本"), 1, "🕷"});
  EXPECT_EQ(bytes().substr(0, 3), "?? ");
  EXPECT_EQ(bytes().substr(32, 3), std::string("\x01\x00?", 3));
  // Then a control character of no code page, characters of 3 and 4 bytes that Windows-1252
  // lacks, and broken UTF-8, each one "?": lone continuation bytes, a lead byte followed by a
  // plain letter, overlong forms of "/", DEL, "/" and "€", a byte no sequence starts with, one
  // cut off at the end.
  write_record(1, {scores::fixed30(""), 1,
                   "a🕷\x80\x80"
                   "b\xC2\x80\x80\xC3"
                   "Aठ\xF4\x80\x80\x80 \xC0\xAF\xC1\xBF\xE0\x80\xAF\xF0\x82\x82\xAC\xF8\xC3"});
  EXPECT_EQ(bytes().substr(32, 2 + 18), std::string("\x12\x00"
                                                    "a???b???A?? ??????",
                                                    20));
}

TEST_F(ScoreFileBytes, EveryByteReadIsWrittenBackUnchanged) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  const std::string decoded = scores::cp1252::decode(all);
  EXPECT_EQ(scores::cp1252::encode(decoded), all) << "undefined 81, 8D, 8F, 90, 9D included";
  EXPECT_EQ(scores::cp1252::length(decoded), 255u);
  // No byte gives the other C1 controls, nor the first character past Latin-1: each is "?",
  // found nowhere in the whole table of bytes 80 to 9F.
  std::string controls, stored;
  for (int c = 0x80; c < 0xA0; ++c) {
    controls += {'\xC2', static_cast<char>(c)};
    const bool undefined = c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
    stored += undefined ? static_cast<char>(c) : '?';
  }
  EXPECT_EQ(scores::cp1252::encode(controls + "Ā"), stored + "?");
}

TEST_F(ScoreFileBytes, CommentOf94BytesFits95IsRefusedAndNothingWritten) {
  write_record(1, {scores::fixed30("A"), 1, std::string(94, 'c')});
  EXPECT_EQ(read_record(1).comment, std::string(94, 'c'));
  const std::string before = bytes();
  EXPECT_THROW(write_record(2, {scores::fixed30("B"), 2, std::string(95, 'c')}), ui::RuntimeError);
  EXPECT_TRUE(bytes() == before) << "the file changed";
}

TEST_F(ScoreFileBytes, AtEndFollowsTheLastSlotReadEvenWhenItEndsEarly) {
  EXPECT_EQ(count_sequential_reads(), 0) << "missing file";
  test::write_bytes(path(), "");
  EXPECT_EQ(count_sequential_reads(), 0) << "empty file";

  std::string full = test::table({900, 500, 100});
  test::write_bytes(path(), full);
  EXPECT_EQ(count_sequential_reads(), 30);

  // The last slot stops right after its comment.
  std::string short_last = full.substr(0, 29 * 128) + slot("Last", 7, "ok").substr(0, 36);
  test::write_bytes(path(), short_last);
  scores::ScoreFile file(store);
  file.open_for_reading();
  for (int n = 1; n <= 29; ++n) file.read_next();
  EXPECT_FALSE(file.at_end()) << "after place 29";
  file.read_next();
  EXPECT_TRUE(file.at_end()) << "after place 30";
  EXPECT_EQ(score_rec.score, 7);
  EXPECT_EQ(score_rec.comment, "ok");
}

TEST_F(ScoreFileBytes, PlacesBeyondTheEndReadAsTheEmptyRecord) {
  test::write_bytes(path(), slot("A", 3) + slot("B", 2) + slot("C", 1));
  EXPECT_EQ(read_record(3).score, 1);
  const ScoreRecord far = read_record(30);
  EXPECT_EQ(far.pseudo, std::string(30, '\0'));
  EXPECT_EQ(far.score, 0);
  EXPECT_EQ(far.comment, "");
}

TEST_F(ScoreFileBytes, WritingPlace30IntoAnEmptyFileZeroFillsTheFirst29) {
  write_record(30, {scores::fixed30("Last"), 12, "x"});
  const std::string b = bytes();
  ASSERT_EQ(b.size(), 30u * 128);
  EXPECT_EQ(b.substr(0, 29 * 128), std::string(29 * 128, '\0'));
  EXPECT_EQ(read_record(15).pseudo, std::string(30, '\0'));
  EXPECT_EQ(read_record(30).score, 12);
}

TEST_F(ScoreFileBytes, OpeningAMissingFileForReadingLeavesItMissing) {
  scores::ScoreFile file(store);
  file.open_for_reading();
  EXPECT_TRUE(file.at_end());
  file.close();
  EXPECT_FALSE(test::is_stored(path()));
}

// ---- Files no game of ours wrote

TEST_F(ScoreFileBytes, ACommentLengthAbove94ReadsTheSlotsOwn94Bytes) {
  std::string s = slot("A", 1, std::string(94, 'k'));
  s[32] = '\xFF';
  s[33] = '\xFF';
  test::write_bytes(path(), s + slot("Next", 2, "zzz"));
  EXPECT_EQ(read_record(1).comment, std::string(94, 'k')) << "nothing of the next slot";
}

TEST_F(ScoreFileBytes, RandomBytesReadAsThirtyRecordsWithoutFailing) {
  std::mt19937 random(test::seed());
  for (int round = 0; round < 20; ++round) {
    std::string junk(static_cast<std::size_t>(random() % 5000), '\0');
    for (char& c : junk) c = static_cast<char>(random());
    test::write_bytes(path(), junk);
    scores::ScoreFile file(store);
    file.open_for_reading();
    int n = 0;
    while (!file.at_end() && n < 30) {
      file.read_next();
      EXPECT_LE(score_rec.comment.size(), 94u * 2) << "94 characters at most";
      ++n;
    }
    EXPECT_EQ(n, std::min<int>(30, static_cast<int>((junk.size() + 127) / 128)));
  }
}

TEST_F(ScoreFileBytes, ReadingAClosedFileIsAnError) {
  scores::ScoreFile file(store);
  EXPECT_THROW(file.read_next(), ui::RuntimeError);
  file.open_for_reading();
  EXPECT_THROW(file.read_place(0), ui::RuntimeError) << "places count from 1";
  file.close();
  EXPECT_THROW(file.read_place(1), ui::RuntimeError);
}

}  // namespace
