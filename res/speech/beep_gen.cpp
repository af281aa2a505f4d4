// Writes the confirmation beep: raw signed 16-bit little-endian mono samples
// at 16 000 Hz. A short two-tone chirp with soft edges, so it is heard
// clearly over speech but never clicks.
#include <cmath>
#include <cstdint>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s output.pcm\n", argv[0]);
    return 2;
  }
  FILE* f = fopen(argv[1], "wb");
  if (!f) {
    perror(argv[1]);
    return 1;
  }
  const int rate = 16000;
  const int length = rate * 90 / 1000;  // 90 ms
  const int edge = rate * 8 / 1000;     // 8 ms fade in and out
  const double pi = 3.14159265358979323846;
  double phase = 0;
  for (int i = 0; i < length; ++i) {
    double freq = i < length / 2 ? 1000.0 : 1500.0;
    phase += 2 * pi * freq / rate;
    double gain = 1.0;
    if (i < edge) gain = double(i) / edge;
    if (i > length - edge) gain = double(length - i) / edge;
    int16_t s = static_cast<int16_t>(std::lround(9000.0 * gain * std::sin(phase)));
    unsigned char b[2] = {static_cast<unsigned char>(s & 0xFF),
                          static_cast<unsigned char>((s >> 8) & 0xFF)};
    if (fwrite(b, 1, 2, f) != 2) {
      perror(argv[1]);
      fclose(f);
      return 1;
    }
  }
  return fclose(f) == 0 ? 0 : 1;
}
