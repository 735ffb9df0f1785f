#pragma once
// The restore program's own progress class: a stopwatch, a transfer-rate
// sampler, a folder-size walk, the remote set-size sum and three routines
// that fill the labels and bars of a progress form reached by its
// controls' names. It shares its name with the engine's call-back bridge
// but is a class of its own, private to the program; the restore progress
// window does not use it.
//
// A progress form is any object offering the named controls
// (ProgressFormFields); the forms the display routines were written for
// ("trfprogform", "trfprogformrsync") are not part of this program.

#include <QString>

#include "program/foundation/ProgramState.h"
#include "platform/values/Variant.h"

namespace OrvaneMac {

// The program-wide values of the class.
struct ProgressDisplayValues {
  double StopwatchStart = 0;
  double StopwatchLast = 0;
  double StopwatchCarry = 0;
  double StopwatchElapsed = 0;
  float LastTimerSample = 0;
  double RateWindowSeconds = 0;
  double RateWindowMs = 0;
  bool FolderSizeStop = false;  // asks a running GetFolderSize to stop
  float SampleSeconds = 0;      // the rate sampler's seconds; nothing reads it
};
ProgressDisplayValues& ProgressDisplay();

// The controls of a progress form, by name ("timeelapsed", "status",
// "tsetprgbar", "FileCopyPBr", ...). A form without a control ignores what
// is set on it and answers "" and 0 for it.
class ProgressFormFields {
 public:
  virtual ~ProgressFormFields() = default;
  [[nodiscard]] virtual QString FormName() const = 0;
  [[nodiscard]] virtual QString Text(const QString& control) const = 0;
  virtual void SetText(const QString& control, const QString& text) = 0;
  virtual void SetValue(const QString& control, double value) = 0;
  virtual void SetFormCaption(const QString& caption) = 0;
  virtual void SetVisible(const QString& /*control*/, bool /*visible*/) {}
  // The form's window state and size in twips (its inner height is what
  // its controls can use).
  [[nodiscard]] virtual bool Minimised() const { return false; }
  [[nodiscard]] virtual double InnerHeight() const { return 0; }
  [[nodiscard]] virtual double Width() const { return 0; }
  [[nodiscard]] virtual double Height() const { return 0; }
  virtual void SetSize(double /*width*/, double /*height*/) {}
  virtual void Refresh() {}
};

class clsProgressDisplay {
 public:
  clsProgressDisplay();

  [[nodiscard]] double zipfilesize() const { return zipfilesize_; }
  void zipfilesize(double value) { zipfilesize_ = value; }
  [[nodiscard]] double seconds() const { return seconds_; }
  void seconds(double value) { seconds_ = value; }
  [[nodiscard]] double trfratedum() const { return trfratedum_; }
  void trfratedum(double value) { trfratedum_ = value; }

  // Stopwatch on the tick count (milliseconds).
  vb::Variant time_tmrstart();
  vb::Variant time_tmrstop();
  // One sample of the rate window on the Timer (seconds since midnight).
  vb::Variant time_tmrtrfratestop();
  // Bytes of every file below `sRootFolder` (ending in "\"); 0 for a folder
  // that cannot be listed, 1 after an error before the first file.
  double GetFolderSize(const QString& sRootFolder);
  // The engine's time text (1: hours, minutes and seconds with colons).
  QString time_Duration(double TotalSeconds, Integer UpFormat);
  // Adds the number between "~" and "#" of a tree item's text to the
  // restore set's size.
  vb::Variant time_getremotetrfsetsize(const QString& sizekey);
  // The number as text cut one digit after its ".", or the number itself
  // when its text has no ".".
  vb::Variant time_roundtotwodec(double Value);
  // Prepares a progress form while a restore or backup runs and one of the
  // form-mode flags is set (nothing in this program sets them, so it
  // returns at once): the animation instead of the waiting controls, the
  // zero times, the stopwatch started, the form's full size; then clears
  // the flags.
  void InitialiseDisplay(ProgressFormFields& reffrm);
  // While a restore or backup runs: the current item's name and its from
  // and to folders in the form's labels (by engine); for a backup also the
  // job's status word and text and the source file's size.
  void UpdateDisplay(ProgressFormFields& reffrm, const QString& sourcepath, const QString& Destpath,
                     Integer sJobstatus, Integer engineno);
  // The two form modes InitialiseDisplay waits for (nothing in this
  // program calls it).
  void SetDisplayModes(bool modeA, bool modeB) {
    displayModeA_ = modeA;
    displayModeB_ = modeB;
  }
  // The times, bars and status line of a progress form.
  vb::Variant ShowProgressDisplay(ProgressFormFields& reffrm, double fileSize, double dfileBuff, double dTotalBuffer,
                                  const QString& sTrfRate, double TimeEstimated, Integer engineno);
  [[nodiscard]] double getTotalBkSize() const { return totalBkSize_; }
  void setTotalBkSize(double bksetsize) { totalBkSize_ = bksetsize; }

 private:
  void SetDefaulttime(ProgressFormFields& reffrm);
  double zipfilesize_ = 0;
  double seconds_ = 1000;
  double trfratedum_ = 0;
  double totalBkSize_ = 0;
  // The two form modes of the display routines; never set here.
  bool displayModeA_ = false;
  bool displayModeB_ = false;
};

// The program's one instance, created on first use.
clsProgressDisplay& gProgramProgressDisplay();

}  // namespace OrvaneMac
