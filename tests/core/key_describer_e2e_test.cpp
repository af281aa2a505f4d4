// The key describer end to end: entered and left with the info-menu chord,
// every key of the browser and of the audio book player described in English
// and in Polish, and nothing done meanwhile; the calculator and the radio
// tell their own keys, and the radio is silent under the descriptions.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/sim_harness.h"
#include "tests/support/test_support.h"

namespace {

struct Described {
  const char* key;
  const char* en;
  const char* pl;
};

// At the disk choice of the browser.
const Described kBrowser[] = {
    {"radio", "radio: opens the FM radio", "radio: włącza radio FM"},
    {"music", "music: plays the music file played last", "muzyka: odtwarza ostatnio"},
    {"voldown", "volume down: turns the volume down", "ciszej: ścisza"},
    {"info", "info: says the entry", "informacja: mówi pozycję"},
    {"bookmark", "bookmark: opens the bookmarks", "zakładka: otwiera zakładki"},
    {"menu", "menu: opens the main menu", "menu: otwiera menu główne"},
    {"left", "left: the other disk", "w lewo: drugi dysk"},
    {"down", "down: the other disk", "w dół: drugi dysk"},
    {"back", "back: goes up to the folder above", "wstecz: wraca do folderu wyżej"},
    {"volup", "volume up: turns the volume up", "głośniej: pogłaśnia"},
    {"record", "record: opens the recorder", "nagrywanie: otwiera nagrywanie"},
    {"right", "right: the other disk", "w prawo: drugi dysk"},
    {"up", "up: the other disk", "w górę: drugi dysk"},
    {"play", "play: opens the folder, the book or the file", "odtwarzanie: otwiera folder"},
};

const Described kAudioBook[] = {
    {"radio", "radio: opens the FM radio", "radio: włącza radio FM"},
    {"music", "music: plays music", "muzyka: odtwarza muzykę"},
    {"voldown", "volume down: turns the volume down", "ciszej: ścisza"},
    {"info", "info: says the time and the total time", "informacja: mówi czas i czas całkowity"},
    {"bookmark", "bookmark: adds, lists and highlights", "zakładka: dodaje, wylicza"},
    {"menu", "menu: speed, pitch and time step", "menu: prędkość, wysokość głosu"},
    {"left", "left: steps back by the time step", "w lewo: cofa o krok czasu"},
    {"down", "down: the next chapter or file", "w dół: następny rozdział lub plik"},
    {"back", "back: closes the book", "wstecz: zamyka książkę"},
    {"volup", "volume up: turns the volume up", "głośniej: pogłaśnia"},
    {"record", "record: opens the recorder", "nagrywanie: otwiera nagrywanie"},
    {"right", "right: steps on by the time step", "w prawo: przesuwa naprzód"},
    {"up", "up: the previous chapter or file", "w górę: poprzedni rozdział lub plik"},
    {"play", "play: pauses or plays", "odtwarzanie: wstrzymuje lub wznawia"},
};

// The calculator's first "0".
const Described kCalculator[] = {
    {"menu", "menu: adds an operation", "menu: dodaje działanie"},
    {"left", "left: deletes the last character", "w lewo: usuwa ostatni znak"},
    {"down", "down: the next digit", "w dół: następna cyfra"},
    {"back", "back: closes the calculator", "wstecz: zamyka kalkulator"},
};

// The radio on 87.0 MHz, seeking stations (its first mode).
const Described kRadio[] = {
    {"left", "left: seeks the next station down", "w lewo: szuka następnej stacji w dół"},
    {"up", "up: the previous preset station", "w górę: poprzednia zapamiętana stacja"},
    {"play", "play: adds the station to the presets", "odtwarzanie: dodaje stację"},
    {"menu", "menu: opens the radio menu", "menu: otwiera menu radia"},
    {"music", "music: does nothing here", "muzyka: nic tu nie robi"},
    {"back", "back: closes the radio", "wstecz: wyłącza radio"},
};

long MixerValue(const std::string& state, const std::string& name) {
  size_t at = state.find(name + "=");
  if (at == std::string::npos || (at > 0 && state[at - 1] != '\n')) return -1;
  return strtol(state.c_str() + at + name.size() + 1, nullptr, 10);
}

const char kChord[] = "down info\nwait 0.3\nkey menu\nup info\n";

template <size_t N>
std::string DescribeAll(const Described (&keys)[N], bool en) {
  std::string s;
  for (const Described& k : keys)
    s += std::string("key ") + k.key + "\nexpect " + (en ? k.en : k.pl) + " 10\n";
  return s;
}

// A WAV of silence, 16 kHz mono.
std::string SilentWav(int seconds) {
  const uint32_t data = static_cast<uint32_t>(seconds) * 16000 * 2;
  std::string h = "RIFF";
  auto u32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) h += char(v >> (8 * i) & 0xff); };
  auto u16 = [&](uint16_t v) { h += char(v & 0xff); h += char(v >> 8); };
  u32(36 + data);
  h += "WAVEfmt ";
  u32(16), u16(1), u16(1), u32(16000), u32(32000), u16(2), u16(16);
  h += "data";
  u32(data);
  return h + std::string(data, '\0');
}

class KeyDescriberE2e : public ::testing::TestWithParam<bool> {};

TEST_P(KeyDescriberE2e, EveryKeyOfTheBrowserAndAPlayerIsDescribedAndNothingIsDone) {
  DTB_REQUIRE_PLAYER();
  const bool en = GetParam();
  dtbtest::TempDir dir;
  const std::string root = dir.path() + "/device";
  ASSERT_EQ(dtbtest::LayOutRoot(root, en ? "en" : "pl"), 0);
  const std::string books = en ? "Audio books" : "Książki audio";
  dtbtest::WriteFile(root + "/mnt/emmc/" + books + "/Zebra/part.wav", SilentWav(30));
  const std::string on = en ? "Key describer on" : "Opis klawiszy włączony";
  const std::string off = en ? "Key describer off" : "Opis klawiszy wyłączony";
  std::string script = "wait 4\n" + std::string(kChord) + "expect " + on + " 10\n" +
                       DescribeAll(kBrowser, en) +
                       // The power button and its shifted keys are told, not done.
                       "power click\nexpect " + (en ? "power button: sets" : "przycisk zasilania: ustawia") +
                       " 10\nkey music\nexpect " + (en ? "then music: locks" : "potem muzyka: blokuje") +
                       " 10\n" + kChord + "expect " + off + " 10\n" +
                       // The volume keys changed nothing; the browser acts again.
                       "key volup\nexpect " + (en ? "volume 11" : "11") + " 10\n" +
                       (en ? "key play\nexpect Audio books 10\n"
                           : "key play\nexpect Daisy 10\nkey down\nexpect Książki audio 10\n") +
                       "key play\nexpect Zebra 10\n"
                       "key play\nexpect Zebra 10\n"
                       "key play\nwait 2\n" +
                       kChord + "expect " + on + " 10\n" + DescribeAll(kAudioBook, en) + kChord +
                       "expect " + off + " 10\n"
                       // Still in the book: its information key answers.
                       "key info\nexpect " + (en ? "total time" : "całkowity czas") + " 10\n"
                       // The calculator, through the settings and tools menus.
                       "key back\nwait 1\nkey menu\nwait 1\nkey up\nkey up\nkey up\nexpect " +
                       (en ? "tools" : "narzędzia") + " 10\nkey play\nwait 1\nkey down\nkey play\nwait 1\n" +
                       kChord + "expect " + on + " 10\n" + DescribeAll(kCalculator, en) + kChord +
                       "expect " + off + " 10\n"
                       // The radio (its tuner begins at 87.5 MHz); the device dies with the describer on.
                       "key radio\nexpect " + (en ? "87 point 5" : "87 przecinek 5") + " 10\nwait 2\n" +
                       kChord + "expect " + on + " 10\n" + DescribeAll(kRadio, en) + "wait 5\nkill\n";
  dtbtest::SimRun run;
  run.root = root;
  run.fresh = false;
  run.script = script;
  run.timeout_seconds = 180;
  dtbtest::SimResult r = dtbtest::RunSim(run);
  EXPECT_EQ(r.status, 0) << r.output;
  // No window was opened by a described key: the transcript's window lines
  // between the two chords of the browser show only the browser.
  std::string t = dtbtest::ReadFile(root + "/var/log/transcript");
  size_t a = t.find(on), b = t.find(off);
  ASSERT_NE(a, std::string::npos);
  ASSERT_NE(b, std::string::npos);
  EXPECT_EQ(t.substr(a, b - a).find(" window "), std::string::npos) << t.substr(a, b - a);
  const char kFmToHeadphones[] = "Left HP Mixer Line2L Bypass Switch";
  EXPECT_EQ(0, MixerValue(dtbtest::ReadFile(root + "/var/board/mixer"), kFmToHeadphones))
      << "the radio sounded under the descriptions";

  // Once the describer is off, the radio sounds again.
  run.script = "wait 4\nkey radio\nwait 3\n" + std::string(kChord) + "expect " + on +
               " 10\nkey left\nwait 1\n" + kChord + "expect " + off + " 10\nwait 3\nkill\n";
  r = dtbtest::RunSim(run);
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(1, MixerValue(dtbtest::ReadFile(root + "/var/board/mixer"), kFmToHeadphones));
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, KeyDescriberE2e, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& i) {
                           return std::string(i.param ? "English" : "Polish");
                         });

}  // namespace
