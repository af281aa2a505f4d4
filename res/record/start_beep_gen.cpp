// Writes the recorder's start beep: 150 ms of a soft 1 kHz tone, 22.05 kHz
// mono 16-bit WAV (played at the recording's own rate before it starts).
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRate = 22050;
constexpr double kPi = 3.14159265358979323846;

void Put32(FILE* f, uint32_t v) {
  for (int i = 0; i < 4; i++) fputc(static_cast<int>((v >> (8 * i)) & 0xFF), f);
}
void Put16(FILE* f, uint32_t v) {
  fputc(static_cast<int>(v & 0xFF), f);
  fputc(static_cast<int>((v >> 8) & 0xFF), f);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s file.wav\n", argv[0]);
    return 2;
  }
  std::vector<short> pcm(kRate * 15 / 100);
  for (size_t i = 0; i < pcm.size(); ++i) {
    double t = double(i) / kRate;
    double env = std::min(1.0, std::min(t, 0.15 - t) / 0.01);
    pcm[i] = static_cast<short>(12000.0 * env * std::sin(2 * kPi * 1000.0 * t));
  }
  FILE* f = fopen(argv[1], "wb");
  if (!f) return 1;
  uint32_t data = static_cast<uint32_t>(pcm.size() * 2);
  fwrite("RIFF", 1, 4, f);
  Put32(f, data + 36);
  fwrite("WAVEfmt ", 1, 8, f);
  Put32(f, 16);
  Put16(f, 1);
  Put16(f, 1);
  Put32(f, kRate);
  Put32(f, kRate * 2);
  Put16(f, 2);
  Put16(f, 16);
  fwrite("data", 1, 4, f);
  Put32(f, data);
  for (short s : pcm) Put16(f, static_cast<uint16_t>(s));
  return fclose(f) == 0 ? 0 : 1;
}
