// MP3 duration from the first frame header.
#include <string>

#include "audio/decoder.h"
#include "tests/audio/audio_test_util.h"

namespace dtbtest {
namespace {

// An ID3v2 tag with `body` bytes, `audio` bytes starting with `header`,
// optionally an ID3v1 tag.
std::string Mp3(int body, const std::string& header, size_t audio, bool id3v1, bool gap = false) {
  std::string f;
  if (body >= 0) {
    f = "ID3";
    f += '\x03';
    f += '\x00';
    f += '\x00';
    for (int shift : {21, 14, 7, 0}) f += static_cast<char>((body >> shift) & 0x7F);
    f += std::string(static_cast<size_t>(body), '\0');
  }
  if (gap) f += '\0';
  f += header;
  f += std::string(audio - header.size(), '\x55');
  if (id3v1) f += "TAG" + std::string(125, ' ');
  return f;
}

const std::string kMpeg1Layer3At128{"\xFF\xFB\x90\x00", 4};

class Mp3DurationTest : public ::testing::Test {
 protected:
  int Duration(const std::string& bytes) {
    WriteFile(dir_ / "f.mp3", bytes);
    return fast_get_mp3_total_ms((dir_ / "f.mp3").c_str());
  }
  TempDir dir_;
};

TEST_F(Mp3DurationTest, HeaderExample) {
  std::string f = Mp3(1000, kMpeg1Layer3At128, 1280000, true);
  ASSERT_EQ(1281138u, f.size());
  EXPECT_EQ(80000, Duration(f));
}

TEST_F(Mp3DurationTest, TagsAndPlacement) {
  // Without ID3v2 the frame starts the file (and the rule subtracts 10 bytes anyway).
  EXPECT_EQ(80000, Duration(Mp3(-1, kMpeg1Layer3At128, 1280010, false)));
  // A frame that does not follow the tag directly.
  EXPECT_EQ(-1, Duration(Mp3(1000, kMpeg1Layer3At128, 1280000, true, true)));
  // An empty ID3v2 tag: the frame follows its 10-byte header.
  EXPECT_EQ(80000, Duration(Mp3(0, kMpeg1Layer3At128, 1280000, false)));
  EXPECT_EQ(-1, Duration("ID3"));
  EXPECT_EQ(-1, Duration(Mp3(2000, "", 0, false)));  // a tag and nothing else
  EXPECT_EQ(-1, fast_get_mp3_total_ms((dir_ / "missing.mp3").c_str()));
  EXPECT_EQ(-1, fast_get_mp3_total_ms(nullptr));
}

TEST_F(Mp3DurationTest, BitRateTables) {
  auto header = [](unsigned char b1, unsigned char b2) { return std::string{'\xFF', (char)b1, (char)b2, '\0'}; };
  // 160 000 bytes = 1 280 000 bits.
  EXPECT_EQ(40000, Duration(Mp3(-1, header(0xFB, 0x10), 160010, false)));  // MPEG-1 L3 index 1: 32
  EXPECT_EQ(4000, Duration(Mp3(-1, header(0xFB, 0xE0), 160010, false)));   // MPEG-1 L3 index 14: 320
  EXPECT_EQ(10000, Duration(Mp3(-1, header(0xFB, 0xF0), 160010, false)));  // index 15 reads 128
  EXPECT_EQ(3333, Duration(Mp3(-1, header(0xFD, 0xE0), 160010, false)));   // MPEG-1 L2 index 14: 384
  EXPECT_EQ(2857, Duration(Mp3(-1, header(0xFF, 0xE0), 160010, false)));   // MPEG-1 L1 index 14: 448
  EXPECT_EQ(8000, Duration(Mp3(-1, header(0xF3, 0xE0), 160010, false)));   // MPEG-2 L3 index 14: 160
  EXPECT_EQ(160000, Duration(Mp3(-1, header(0xE3, 0x10), 160010, false))); // MPEG-2.5 L3 index 1: 8
  EXPECT_EQ(5000, Duration(Mp3(-1, header(0xF7, 0xE0), 160010, false)));   // MPEG-2 L1 index 14: 256
  EXPECT_EQ(-1, Duration(Mp3(-1, header(0xFB, 0x00), 160010, false)));     // free format
  EXPECT_EQ(-1, Duration(Mp3(-1, header(0xF9, 0x90), 160010, false)));     // layer bits 00
  EXPECT_EQ(-1, Duration(Mp3(-1, header(0x1B, 0x90), 160010, false)));     // no sync
}

TEST_F(Mp3DurationTest, AgreesWithTheDecoderOnConstantBitRateFiles) {
  std::string path = dir_ / "cbr.mp3";
  ASSERT_TRUE(Ffmpeg("-f lavfi -i 'sine=f=440:r=44100:d=7' -ac 2 -c:a libmp3lame -b:a 128k -write_xing 0 " + path));
  EXPECT_NEAR(7000, fast_get_mp3_total_ms(path.c_str()), 60);
  DTB_REQUIRE_CORPUS(tagged, "audio/tika_testMP3id3v1_v2.mp3");
  int ms = fast_get_mp3_total_ms(tagged.c_str());
  if (ms > 0) {
    EXPECT_NEAR(2463, ms, 150);
  }
}

}  // namespace
}  // namespace dtbtest
