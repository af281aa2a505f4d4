// The sample-conversion rule, on hand-made frames of each layout.
#include <cstring>
#include <memory>
#include <vector>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
}

#include <gtest/gtest.h>

#include "audio/pcm_convert.h"

namespace {

// A frame of `n` samples per channel whose channel c, sample i holds value(c, i).
template <typename T, typename F>
std::unique_ptr<ff::Frame> MakeFrame(AVSampleFormat fmt, int channels, int n, F value) {
  auto frame = std::make_unique<ff::Frame>();
  AVFrame* f = frame->get();
  f->format = fmt;
  f->nb_samples = n;
  av_channel_layout_default(&f->ch_layout, channels);
  EXPECT_EQ(0, av_frame_get_buffer(f, 0));
  for (int c = 0; c < channels; c++)
    for (int i = 0; i < n; i++) {
      if (av_sample_fmt_is_planar(fmt))
        reinterpret_cast<T*>(f->extended_data[c])[i] = value(c, i);
      else
        reinterpret_cast<T*>(f->extended_data[0])[i * channels + c] = value(c, i);
    }
  return frame;
}

std::vector<int16_t> Convert(std::unique_ptr<ff::Frame> f, AVSampleFormat fmt, int channels) {
  ff::FrameView view = f->ViewAs(fmt, channels);
  std::vector<int16_t> out(ConvertedBytes(view) / 2, 7777);
  int n = ConvertFrameToS16(view, out.data());
  EXPECT_EQ(static_cast<int>(out.size()), n);
  return out;
}

TEST(PcmConvert, IntegerFormatsScaleTo16Bits) {
  auto u8 = Convert(MakeFrame<uint8_t>(AV_SAMPLE_FMT_U8, 1, 3, [](int, int i) { return (uint8_t)(i * 127); }),
                    AV_SAMPLE_FMT_U8, 1);
  EXPECT_EQ((std::vector<int16_t>{-32768, -256, 32256}), u8);
  auto s32 = Convert(MakeFrame<int32_t>(AV_SAMPLE_FMT_S32, 2, 2, [](int c, int i) { return (c ? -1 : 1) * (i + 1) * 65536; }),
                     AV_SAMPLE_FMT_S32, 2);
  EXPECT_EQ((std::vector<int16_t>{1, -1, 2, -2}), s32);  // packed stereo stays interleaved
  auto s16p = Convert(MakeFrame<int16_t>(AV_SAMPLE_FMT_S16P, 2, 2, [](int c, int i) { return (int16_t)(c * 100 + i); }),
                      AV_SAMPLE_FMT_S16P, 2);
  EXPECT_EQ((std::vector<int16_t>{0, 100, 1, 101}), s16p);  // planes interleaved
}

TEST(PcmConvert, RealFormatsTruncateAndClamp) {
  const float v[] = {0.5f, -0.5f, 1.5f, -2.0f, 0.00002f, -0.00002f};
  auto flt = Convert(MakeFrame<float>(AV_SAMPLE_FMT_FLT, 1, 6, [&](int, int i) { return v[i]; }), AV_SAMPLE_FMT_FLT, 1);
  EXPECT_EQ((std::vector<int16_t>{16384, -16384, 32767, -32768, 0, 0}), flt);
  auto dbl = Convert(MakeFrame<double>(AV_SAMPLE_FMT_DBLP, 1, 2, [](int, int i) { return i ? 0.999999 : -1.0; }),
                     AV_SAMPLE_FMT_DBLP, 1);
  EXPECT_EQ((std::vector<int16_t>{-32768, 32767}), dbl);
}

TEST(PcmConvert, ExtraChannelsAreDroppedBelowSix) {
  auto out = Convert(MakeFrame<float>(AV_SAMPLE_FMT_FLTP, 4, 2, [](int c, int) { return 0.25f * (float)c; }),
                     AV_SAMPLE_FMT_FLTP, 4);
  EXPECT_EQ((std::vector<int16_t>{0, 8192, 0, 8192}), out);
}

TEST(PcmConvert, SurroundIsMixedDown) {
  // Channel order FL FR FC LFE BL BR.
  const float v[6] = {0.1f, 0.05f, 0.2f, 0.9f, 0.15f, 0.025f};
  auto fltp = Convert(MakeFrame<float>(AV_SAMPLE_FMT_FLTP, 6, 2, [&](int c, int) { return v[c]; }), AV_SAMPLE_FMT_FLTP, 6);
  // Left = FL + FC + BL = 0.45, right = FR + FC + BR = 0.275; the LFE is dropped.
  EXPECT_EQ((std::vector<int16_t>{14745, 9011, 14745, 9011}), fltp);
  auto loud = Convert(MakeFrame<float>(AV_SAMPLE_FMT_FLT, 6, 1, [](int, int) { return 0.5f; }), AV_SAMPLE_FMT_FLT, 6);
  EXPECT_EQ((std::vector<int16_t>{32767, 32767}), loud);
  // Integer sources: converted values summed, saturating instead of wrapping round.
  auto s16 = Convert(MakeFrame<int16_t>(AV_SAMPLE_FMT_S16, 6, 1, [](int c, int) { return (int16_t)(c == 3 ? 0 : 20000); }),
                     AV_SAMPLE_FMT_S16, 6);
  EXPECT_EQ((std::vector<int16_t>{32767, 32767}), s16);
  auto quiet = Convert(MakeFrame<int16_t>(AV_SAMPLE_FMT_S16P, 7, 1, [](int c, int) { return (int16_t)(c + 1); }),
                       AV_SAMPLE_FMT_S16P, 7);
  EXPECT_EQ((std::vector<int16_t>{1 + 3 + 5, 2 + 3 + 6}), quiet);
}

TEST(PcmConvert, EmptyFramesWriteNothing) {
  ff::Frame f;
  int16_t out[2] = {5, 5};
  EXPECT_EQ(0, ConvertFrameToS16(f.ViewAs(AV_SAMPLE_FMT_S16, 2), out));
  EXPECT_EQ(0, ConvertFrameToS16(ff::FrameView(), out));
  EXPECT_EQ(5, out[0]);
}

}  // namespace
