// The compass menu and the calibration turn.
#include <cmath>
#include <string>

#include "core/base/activity.h"
#include "core/ui/keypad_idle.h"
#include "core/ui/window.h"
#include "speech/tts.h"
#include "speech/ux_language.h"
#include "tools/calculagraph.h"
#include "tools/compass.h"
#include "tools/tools_speech.h"

namespace compass {
namespace {

// "speak compass direction", "calibrate compass", "Restore default calibration settings".
constexpr int kItems[] = {UxPhrase::SpeakCompassDirection, UxPhrase::CalibrateCompass,
                          UxPhrase::RestoreDefaultCalibrationSettings2};
constexpr int kTurnTicks = 2 * 60 * 4;  // two minutes for the turn
constexpr int kCalibratingEvery = 5 * 4;
constexpr double kStill = 0.1;  // g: more change between two readings is a player being moved

enum SampleResult { kSampled, kMoved, kFailed };

// Gravity, the field, then gravity again: a sample taken while the player
// swung is worth nothing to the calibration.
SampleResult TakeSample(Vector* field, Vector* gravity, bool* withGravity) {
  *withGravity = HaveAccelerometer();
  if (*withGravity && ReadGravity(gravity) != 0) return kFailed;
  if (ReadField(field) != 0) return kFailed;
  Vector again;
  if (!*withGravity) return kSampled;
  if (ReadGravity(&again) != 0) return kFailed;
  double moved = fabs(again.x - gravity->x) + fabs(again.y - gravity->y) + fabs(again.z - gravity->z);
  return moved > kStill ? kMoved : kSampled;
}

void SayDirection() {
  Vector m, g;
  bool withGravity;
  double degrees = 0;
  HeadingResult r = kNoField;
  if (TakeSample(&m, &g, &withGravity) != kFailed)
    r = Heading(Calibrated(m, CurrentCalibration()), withGravity ? &g : nullptr, &degrees);
  if (r == kTooSteep) {
    tools::SayPhrase(UxPhrase::HoldThePlayerFlatter);
  } else if (r == kNoField) {
    tools::SayPhrase(UxPhrase::Error2);
  } else {
    char text[128];
    g_pUxLanguage->GetCompassDegreesString(static_cast<int>(lround(degrees)) % 360, text, sizeof text);
    tools::Say(text);
  }
}

class CalibrationWindow final : public iWindow {
 public:
  CalibrationWindow() : calibrator_(CurrentCalibration(), HaveAccelerometer()) {}

  int OnRefresh() override {
    tools::SayPhrase(calibrator_.stage() == Calibrator::kFaceDown ? UxPhrase::NowTurnThePlayerFaceDown
                                                                  : UxPhrase::Calibrating);
    return 0;
  }
  int OnKeyPress(int code) override { return OnDefaultKeyPress(code); }
  int OnKeyDown(int code) override;
  int OnTick() override;
  std::string DescribeKey(int code, int held) override;

 private:
  int Finish();
  int Close(int phrase);

  Calibrator calibrator_;
  int ticks_ = 0;
};

int CalibrationWindow::OnKeyDown(int code) {
  if (g_bKeyBoardLocked || code >= 1000) return OnDefaultKeyDown(code);
  switch (code) {
    case KEY_PLAY:
      // The turn done, play repeats what the calibration still waits for
      // (face down); before that, a turn too short says "error".
      if (calibrator_.stage() == Calibrator::kFaceDown) return OnRefresh();
      return Finish();
    case KEY_BACK:
    case KEY_MENU:
      return Close(UxPhrase::Canceled7);
    case KEY_UP:
    case KEY_DOWN:
    case KEY_LEFT:
    case KEY_RIGHT:
      return OnRefresh();  // what the turn is waiting for
    default:
      return OnDefaultKeyDown(code);
  }
}

int CalibrationWindow::OnTick() {
  DelaySleepTime(10);  // no standby in the middle of the turn
  if (++ticks_ > kTurnTicks) return Finish();
  Vector m, g;
  bool withGravity;
  SampleResult s = TakeSample(&m, &g, &withGravity);
  if (s == kFailed) return Close(UxPhrase::Error2);
  if (s == kMoved) return 0;
  Calibrator::Stage before = calibrator_.stage();
  Calibrator::Stage now = calibrator_.Add(m, withGravity ? &g : nullptr);
  if (now == Calibrator::kDone) return Finish();
  if (now != before) return OnRefresh();
  if (now == Calibrator::kTurning && ticks_ % kCalibratingEvery == 0 && SysTts_CheckRunning() <= 0)
    tools::SayPhrase(UxPhrase::Calibrating);
  return 0;
}

// The calibration is written only when the turn gave one: anything less
// keeps the old calibration.
int CalibrationWindow::Finish() {
  Calibration c;
  bool ok = calibrator_.Result(&c) && SaveCalibration(c) == 0;
  return Close(ok ? UxPhrase::Finished : UxPhrase::Error2);
}

// Said before the menu beneath names its item.
int CalibrationWindow::Close(int phrase) {
  SysTts_Add((PhraseText(phrase) + ", ").c_str());
  return WND_CLOSE;
}

std::string CalibrationWindow::DescribeKey(int code, int held) {
  if (held < 0 && code == KEY_PLAY) return PhraseText(UxPhrase::KeyEndsTheCalibration);
  if (held < 0 && (code == KEY_BACK || code == KEY_MENU)) return PhraseText(UxPhrase::KeyCancelsTheCalibration);
  return iWindow::DescribeKey(code, held);
}

class CompassMenu final : public tools::PhraseMenu {
 public:
  CompassMenu() : PhraseMenu(kItems, 3) {}
  ~CompassMenu() override { StopSensors(); }

  int KeyOK() override {
    if (m_CurIndex == 0) {
      SayDirection();  // again on every play
      return 0;
    }
    int question = m_CurIndex == 1 ? UxPhrase::WarningTheCompassMayNotWork
                                   : UxPhrase::RestoreDefaultCalibrationSettings;
    int r = MessageBox(PhraseText(question).c_str(), 1);
    if (r == WND_STOP) {
      delete this;
      return 0;
    }
    if (r != KEY_PLAY) {
      tools::SayPhrase(m_CurIndex == 1 ? UxPhrase::Canceled7 : UxPhrase::Canceled8);
      return 0;
    }
    if (m_CurIndex == 2) {
      tools::SayPhrase(SaveDefaultCompassSetting() == 0 ? UxPhrase::SettingDone2 : UxPhrase::Error3);
      return 0;
    }
    CalibrationWindow* w = new CalibrationWindow();
    if (tools::Push(w) != 0) {
      tools::SayPhrase(UxPhrase::Error2);
      return 0;
    }
    tools::Say(PhraseText(UxPhrase::PleaseHoldThePlayerFaceUp) + ", " + PhraseText(UxPhrase::Calibrating));
    return 0;
  }
};

}  // namespace

int OpenCompass() {
  if (board::Profile().magnetometer == board::Magnetometer::kNone) {
    tools::SayPhrase(UxPhrase::NoCompassOnThisPlayer);
    return 0;
  }
  if (StartSensors() != 0) {
    StopSensors();
    tools::SayPhrase(UxPhrase::Error2);
    return 0;
  }
  CompassMenu* menu = new CompassMenu();
  if (tools::Push(menu) != 0) return -1;
  return menu->OnRefresh();
}

}  // namespace compass
