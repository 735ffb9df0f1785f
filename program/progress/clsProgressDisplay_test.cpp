#include "program/progress/clsProgressDisplay.h"

#include "program/foundation/ProgramTestFixture.h"

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
  QString FormName() const override { return "trfprogform"; }
  QString Text(const QString& control) const override { return texts.value(control); }
  void SetText(const QString& control, const QString& text) override { texts[control] = text; }
  void SetValue(const QString& control, double value) override { values[control] = value; }
  void SetFormCaption(const QString& text) override { caption = text; }
  QMap<QString, QString> texts;
  QMap<QString, double> values;
  QString caption;
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

}  // namespace
}  // namespace OrvaneMac
