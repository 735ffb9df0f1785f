#include "program/progress/clsProgressDisplay.h"

#include "program/foundation/ProgramTestFixture.h"
#include "program/foundation/SystemHelpers.h"

#include <QMap>

#include <gtest/gtest.h>

namespace OrvaneMac {
namespace {

class ProgramProgressDisplayTest : public ProgramTest {
 protected:
  clsProgressDisplay display_;
};

TEST_F(ProgramProgressDisplayTest, TheSetSizeAddsTheNumberBetweenTildeAndHash) {
  struct Case {
    QString key;
    double added;
    QString trace;  // "" for none
  };
  const Case cases[] = {
      {"report.doc~1234#x", 1234, ""},
      {"report.doc~   #x", 0, ""},
      {"report.doc~#x", 0, ""},
      {"1234#rest", 1234, ""},
      {"report.doc~1234", 0, "5Invalid procedure call or argument"},
      {"a#b~12", 0, "5Invalid procedure call or argument"},
      {"a~2147483648#", 0, "6Overflow"},
      {"a~12ab#", 0, "13Type mismatch"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key.toStdString());
    QFile::remove(Host("Prog/OrvaneMac/TraceFile.txt"));
    Program().RestoreSetSize = 10;
    display_.time_getremotetrfsetsize(c.key);
    EXPECT_EQ(Program().RestoreSetSize, 10 + c.added);
    EXPECT_EQ(TraceLines(), c.trace.isEmpty() ? QStringList{} : QStringList{c.trace});
  }
}

TEST_F(ProgramProgressDisplayTest, RoundingCutsOneDigitAfterThePoint) {
  EXPECT_EQ(display_.time_roundtotwodec(2).ToString(), "2");
  EXPECT_EQ(display_.time_roundtotwodec(2.5).ToString(), "2.5");
  EXPECT_EQ(display_.time_roundtotwodec(2.567).ToString(), "2.5");
}

TEST_F(ProgramProgressDisplayTest, FolderSizeSumsTheFilesBelowTheFolder) {
  EXPECT_EQ(display_.GetFolderSize("C:\\Nowhere\\"), 0);
  ASSERT_TRUE(QDir().mkpath(Host("Data/empty")));
  EXPECT_EQ(display_.GetFolderSize("C:\\Data\\empty\\"), 0);
  WriteBytes("Data/a.bin", QByteArray(100, 'a'));
  WriteBytes("Data/sub/b.bin", QByteArray(23, 'b'));
  EXPECT_EQ(display_.GetFolderSize("C:\\Data\\"), 123);
  ProgressDisplay().FolderSizeStop = true;
  EXPECT_EQ(display_.GetFolderSize("C:\\Data\\"), 1);
  ProgressDisplay().FolderSizeStop = false;
}

class FakeProgressForm : public ProgressFormFields {
 public:
  explicit FakeProgressForm(QString name = "trfprogform") : name_(std::move(name)) {}
  QString FormName() const override { return name_; }
  QString Text(const QString& control) const override { return texts.value(control); }
  void SetText(const QString& control, const QString& text) override { texts[control] = text; }
  void SetValue(const QString& control, double value) override { values[control] = value; }
  void SetFormCaption(const QString& text) override { caption = text; }
  void SetVisible(const QString& control, bool visible) override { shown[control] = visible; }
  bool Minimised() const override { return minimised; }
  double InnerHeight() const override { return height - 400; }
  double Width() const override { return width; }
  double Height() const override { return height; }
  void SetSize(double w, double h) override {
    width = w;
    height = h;
  }
  void Refresh() override { ++refreshes; }
  QMap<QString, QString> texts;
  QMap<QString, double> values;
  QMap<QString, bool> shown;
  QString caption;
  bool minimised = false;
  double width = 5000, height = 2800;
  int refreshes = 0;

 private:
  QString name_;
};

TEST_F(ProgramProgressDisplayTest, ShowProgressDisplayFillsTheTimesBarsAndStatus) {
  FakeProgressForm form;
  form.texts["tsetprgbar"] = "45%";
  Program().RestoreSetSize = 2048;
  ProgressDisplay().StopwatchStart = vb::Timer() - 65;
  display_.ShowProgressDisplay(form, 200, 50, 1024, "10 KB/s", 3600, 1);
  EXPECT_EQ(form.texts["timerem"], "Time Left        : " + display_.time_Duration(3600, 1));
  EXPECT_TRUE(form.texts["timeelapsed"].startsWith("Time Elapsed : "));
  EXPECT_EQ(form.caption, "45% Transferred");
  EXPECT_EQ(form.values["tsetprgbar"], 50);
  EXPECT_EQ(form.values["FileCopyPBr"], 25);
  EXPECT_EQ(form.texts["status"], "Status: 1,024.00 B out of 2.00 KB (10 KB/s)");
  // Nothing sets the form modes: preparing a form does nothing.
  FakeProgressForm fresh;
  Program().RestoreRunning = true;
  display_.InitialiseDisplay(fresh);
  EXPECT_TRUE(fresh.texts.isEmpty());
}

TEST_F(ProgramProgressDisplayTest, APreparedFormShowsItsAnimationZeroTimesAndFullSizeOnce) {
  Program().RestoreRunning = true;
  struct Case {
    const char* form;
    bool minimised;
    double height;
    double widthAfter, heightAfter;
    bool fromTo;
  };
  for (const Case& c : {Case{"trfprogform", false, 2800, 5720, 3805, true},
                        Case{"trfprogform", false, 3415, 5000, 3415, true},  // inner height 3015: kept
                        Case{"trfprogformrsync", false, 2800, 5805, 3690, false},
                        Case{"trfprogform", true, 2800, 5000, 2800, false}}) {
    SCOPED_TRACE(std::string(c.form) + (c.minimised ? " minimised" : "") + " " + std::to_string(c.height));
    FakeProgressForm form(c.form);
    form.minimised = c.minimised;
    form.height = c.height;
    display_.SetDisplayModes(true, false);
    display_.InitialiseDisplay(form);
    EXPECT_FALSE(form.shown.value("PreAnimation", true));
    EXPECT_FALSE(form.shown.value("dummycancel", true));
    EXPECT_TRUE(form.shown.value("Animation1"));
    EXPECT_EQ(form.shown.value("FromTofolderlbl"), c.fromTo);
    EXPECT_EQ(form.texts["timeelapsed"], "Time Elapsed : 00:00:00");
    EXPECT_EQ(form.texts["timerem"], "Time Left        : 00:00:00");
    EXPECT_EQ(form.width, c.widthAfter);
    EXPECT_EQ(form.height, c.heightAfter);
    EXPECT_EQ(form.refreshes, 1);
    // The modes are used up.
    FakeProgressForm again(c.form);
    display_.InitialiseDisplay(again);
    EXPECT_TRUE(again.texts.isEmpty());
  }
}

TEST_F(ProgramProgressDisplayTest, UpdateDisplayNamesTheItemItsFoldersAndABackupsStatus) {
  FakeProgressForm form;
  display_.UpdateDisplay(form, "/users/jo/Files/Tax/a.pdf", "D:\\Restore\\", 0, 0);
  EXPECT_TRUE(form.texts.isEmpty()) << "nothing runs";

  Program().RestoreRunning = true;
  display_.UpdateDisplay(form, "/users/jo/Files/Tax/a.pdf", "D:\\Restore\\", 0, 0);
  EXPECT_EQ(form.texts["Filenamesizelbl"], "a.pdf");
  EXPECT_EQ(form.texts["FromTofolderlbl"], "from: Tax to: Restore");
  display_.UpdateDisplay(form, "/users/jo/Files/b.txt", "D:\\Restore\\", 0, 2);
  EXPECT_EQ(form.texts["filenamesizelbl1"], "b.txt");
  display_.UpdateDisplay(form, "/users/jo/Files/c.txt", "D:\\Restore\\", 0, 0);
  EXPECT_EQ(form.texts["FromTofolderlbl"], "from: My Orvane to: Restore");
  EXPECT_FALSE(form.texts.contains("lblJobStatus"));
  Program().RestoreRunning = false;

  Program().BackupRunning = true;
  WriteBytes("Data/big.bin", QByteArray(2048, 'x'));
  struct Case {
    Integer status;
    const char* word;
    const char* text;
  };
  for (const Case& c : {Case{0, "Backing up", "from: Data to: Tax"}, Case{1, "Filename", "Checking the patch..."},
                        Case{2, "Filename", "Verifying file on Orvane..."},
                        Case{3, "Filename", "Checking for incremental backup..."}}) {
    FakeProgressForm backup;
    display_.UpdateDisplay(backup, "C:\\Data\\big.bin", "/users/jo/Files/Tax/", c.status, 1);
    EXPECT_EQ(backup.texts["Filenamesizelbl"], "big.bin");
    EXPECT_EQ(backup.texts["lblJobStatus"], c.word);
    EXPECT_EQ(backup.texts["FromTofolderlbl"], c.text);
    EXPECT_EQ(backup.texts["lblRsyncFileSize1"], modGeneral::GetProperSizeValue(2048));
  }
  Program().BackupRunning = false;
}

}  // namespace
}  // namespace OrvaneMac
