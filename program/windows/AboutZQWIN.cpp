#include "program/windows/AboutZQWIN.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QCursor>
#include <QLoggingCategory>

#include <cstdint>

#include "program/foundation/GeneralHelpers.h"
#include "program/foundation/ProgramState.h"
#include "program/windows/SkinControls.h"
#include "program/windows/SkinFonts.h"
#include "program/windows/SkinImages.h"
#include "program/windows/Twips.h"
#include "program/windows/clsRounder.h"
#include "program/windows/modGeneralWindows.h"
#include "platform/errors/RuntimeError.h"
#include "platform/shell/FileVersion.h"
#include "platform/text/Strings.h"

Q_LOGGING_CATEGORY(lcAbout, "restore.ui.about")

namespace OrvaneMac {
namespace {

template <typename F>
void Skip(F&& step) {
  try {
    step();
  } catch (const std::exception& e) {
    qCDebug(lcAbout) << "skipped:" << e.what();
  }
}

const QString kReleaseDateLine = QStringLiteral("Release Date             ") + QString(16, u' ') +
                                 QStringLiteral("     07/09/2010");

// The files of the version list: the name asked for, the width its name is
// padded to, and the blanks after the pad. The list holds no other rows the
// about box asks for.
struct VersionRow {
  QString file;
  int padWidth;
  int blanksAfter;
};

const VersionRow& RowFor(int i) {
  static const VersionRow rows[] = {
      {AboutZQWIN::RestoreProgramFile(), 32, 8},
      {QStringLiteral("OrvaneSrv.dll"), 25, 24},
  };
  return rows[i];
}
constexpr int kRowCount = 2;

// The program's own major, minor and revision numbers (the build number of
// its file version is not part of the title).
QString ProgramVersionNumbers() {
  const auto v = win::GetFileVersionInfo(QStringLiteral("OrvaneMacRestore_100.exe"));
  if (!v) return QStringLiteral("1.0.0");
  return QStringLiteral("%1.%2.%3").arg(v->major).arg(v->minor).arg(v->revision);
}

}  // namespace

AboutZQWIN::AboutZQWIN() : Form(QStringLiteral("AboutZQWIN")) {}

AboutZQWIN& AboutZQWIN::Instance() {
  static AboutZQWIN* instance = new AboutZQWIN;
  return *instance;
}

QString AboutZQWIN::RestoreProgramFile() {
  return QStringLiteral("OrvaneRestore") + QStringLiteral("_100") + QStringLiteral(".exe");
}

AboutZQWIN::Controls& AboutZQWIN::C() {
  Load();
  return c_;
}

PictureBox* AboutZQWIN::imgLogo() { return C().imgLogo; }
Label* AboutZQWIN::lblCapbar() { return C().lblCapbar; }
Label* AboutZQWIN::LblAppCaption() { return C().LblAppCaption; }
Label* AboutZQWIN::Label1() { return C().Label1; }
Label* AboutZQWIN::Label2() { return C().Label2; }
Label* AboutZQWIN::Label3() { return C().Label3; }
Label* AboutZQWIN::Label4() { return C().Label4; }
Label* AboutZQWIN::lblshortclose() { return C().lblshortclose; }
Label* AboutZQWIN::txtVersionList() { return C().txtVersionList; }
Label* AboutZQWIN::txtVersionList12() { return C().txtVersionList12; }
PictureBox* AboutZQWIN::lblcopy() { return C().lblcopy; }
Label* AboutZQWIN::lbl_lblcopy() { return C().lbl_lblcopy; }

void AboutZQWIN::CreateControls(FormWindow* w) {
  Controls& c = c_;
  w->SetBackColor(0xF5F5F5);
  Twips::SetPlace(w, 0, 0, 6000, 3900);

  auto label = [w](const char* name, double left, double top, double width, double height, const QString& caption,
                   const QFont& font) {
    auto* l = new Label(w, caption);
    l->setObjectName(QString::fromLatin1(name));
    Twips::SetPlace(l, left, top, width, height);
    l->setFont(font);
    return l;
  };
  const QFont small = SkinFont(QStringLiteral("Tahoma"), 8.25);
  const QFont bold = SkinFont(QStringLiteral("Arial"), 9, true);

  c.lblCapbar = label("lblCapbar", 0, 0, 5580, 465, QString(), bold);
  DragWindowWith(c.lblCapbar);
  c.LblAppCaption = label("LblAppCaption", 150, 105, 4800, 255, QString(), bold);
  c.LblAppCaption->SetForeColor(0xFFFFFF);
  c.LblAppCaption->setAttribute(Qt::WA_TransparentForMouseEvents);

  // The caption bar's close area: the word and the glyph of the background.
  c.lblshortclose = label("lblshortclose", 5130, 120, 795, 270, QStringLiteral("Close"), small);
  c.lblshortclose->SetForeColor(0xFFFFFF);
  c.lblshortclose->setToolTip(QStringLiteral("Close"));
  c.lblshortclose->setCursor(HandCursor());

  c.imgLogo = new PictureBox(w);
  c.imgLogo->setObjectName(QStringLiteral("imgLogo"));
  Twips::SetPlace(c.imgLogo, 240, 645, 720, 720);

  c.Label4 = label("Label4", 1140, 660, 4620, 300, QStringLiteral("Orvane for Mac - Windows Restore"),
                   SkinFont(QStringLiteral("Arial"), 11, true));
  c.Label4->SetForeColor(0x6B3A1F);
  c.Label1 = label("Label1", 1140, 1005, 4620, 255, QString(), small);
  c.Label2 = label("Label2", 1140, 1260, 4620, 255,
                   QStringLiteral("Copyright \u00A9 Orvane Software. All rights reserved."), small);
  c.Label3 = label("Label3", 240, 1650, 3000, 255, QStringLiteral("Version Information"), bold);
  c.txtVersionList = label("txtVersionList", 240, 1800, 5520, 1260, QString(), small);
  c.txtVersionList12 = label("txtVersionList12", 240, 3060, 3000, 255, QString(), small);

  c.lblcopy = new PictureBox(w);
  c.lblcopy->setObjectName(QStringLiteral("lblcopy"));
  Twips::SetPlace(c.lblcopy, 4920, 3330, 900, 315);
  c.lblcopy->SetPressedLook(true);
  c.lbl_lblcopy = new Label(c.lblcopy, QStringLiteral("&OK"));
  c.lbl_lblcopy->setObjectName(QStringLiteral("lbl_lblcopy"));
  Twips::SetPlace(c.lbl_lblcopy, 45, 45, 810, 225);
  c.lbl_lblcopy->setFont(bold);
  c.lbl_lblcopy->SetAlignment(Label::Alignment::Center);

  auto unloadOnLeft = [this](Qt::MouseButton button, Qt::KeyboardModifiers, QPoint) {
    if (button == Qt::LeftButton) Unload();
  };
  QObject::connect(c.lblcopy, &Control::MouseUp, w, unloadOnLeft);
  QObject::connect(c.lbl_lblcopy, &Control::MouseUp, w, unloadOnLeft);
  QObject::connect(c.lblshortclose, &Control::MouseUp, w, unloadOnLeft);
  QObject::connect(c.lbl_lblcopy, &Control::MouseMove, w, [this](Qt::MouseButtons, Qt::KeyboardModifiers, QPoint) {
    modGeneral::SetButtonState(c_.lblcopy, modGeneral::kButtonHover, c_.lbl_lblcopy, QStringLiteral("button_mini_ovr"));
  });
}

void AboutZQWIN::ForgetControls() { c_ = Controls{}; }

void AboutZQWIN::Form_Load() {
  Controls& c = c_;
  FormWindow* w = Window();
  Skip([&] {
    const QPixmap background = ImageList4Mac().Picture(QStringLiteral("zq_about_us"));
    if (w->PictureHandle() != background.cacheKey()) w->SetPicture(background);
  });
  Skip([&] {
    const QPixmap logo = ImageList1Mac().Picture(QStringLiteral("zq_logo"));
    if (c.imgLogo->PictureHandle() != logo.cacheKey()) c.imgLogo->SetPicture(logo);
  });
  Skip([&] {
    modGeneral::SetButtonState(c.lblcopy, modGeneral::kButtonNormal, c.lbl_lblcopy, QStringLiteral("button_mini_enb"));
  });
  Skip([&] { c.LblAppCaption->SetCaption(Program().AppTitle); });
  Skip([&] { c.txtVersionList->SetCaption(QStringLiteral("\r\n") + kReleaseDateLine); });
  Skip([&] { DisplayVersion(RestoreProgramFile()); });
  Skip([&] { DisplayVersion(QStringLiteral("OrvaneSrv.dll")); });
  Skip([&] {
    c.Label1->SetCaption(Program().AppTitle + QStringLiteral(" - Version ") + ProgramVersionNumbers());
  });
  Skip([&] { ApplyDpiScale(); });
  Skip([&] {
    clsRounder rounder;
    rounder.RoundedBorder(*this);
  });
  Program().SkipActivateRepaint = true;
}

QString AboutZQWIN::GetVersionInfo(const QString& file) {
  QString result = QStringLiteral("N/A");
  Skip([&] {
    const auto v = win::GetFileVersionInfo(file);
    if (!v) return;
    auto part = [](int value) { return QString::number(static_cast<std::int16_t>(value & 0xFFFF)); };
    result = part(v->major) + u'.' + part(v->minor) + u'.' + part(v->build) + u'.' + part(v->revision);
  });
  return result;
}

void AboutZQWIN::DisplayVersion(const QString& file) {
  Skip([&] {
    const qsizetype slash = file.lastIndexOf(u'\\');
    const QString name = slash < 0 ? file : file.mid(slash + 1);
    const QString version = GetVersionInfo(file);
    if (version == u"N/A") return;
    const QString asked = vb::LCase(vb::Trim(file));
    for (int i = 0; i < kRowCount; ++i) {
      const VersionRow& row = RowFor(i);
      if (asked != vb::LCase(row.file)) continue;
      const QString trimmed = vb::Trim(name);
      // A name longer than its pad fails the padding, and the line is left out.
      const QString line = trimmed + vb::Space(row.padWidth - trimmed.size()) + vb::Space(row.blanksAfter) +
                           vb::Trim(version);
      c_.txtVersionList->SetCaption(c_.txtVersionList->Caption() + QStringLiteral("\r\n") + line);
    }
  });
}

void AboutZQWIN::cmdCopy_Click() {
  Skip([&] {
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->clear();
    clipboard->setText(C().txtVersionList->Caption());
  });
}

void AboutZQWIN::ApplyDpiScale() {
  const double dpi = ScreenDpi();
  if (dpi <= 96) return;
  const double f = dpi / 96;
  FormWindow* w = Window();
  Twips::SetWidth(w, Twips::Width(w) / f);
  Twips::SetHeight(w, Twips::Height(w) / f);
  ShrinkControlsForDpi(w, {QStringLiteral("lblcopy")});
  if (modGeneral::getMajorVersion() >= 6) c_.Label4->SetForeColor(0xFFFFFF);
}

void AboutZQWIN::Form_MouseMove(Qt::MouseButtons, QPoint) {
  if (!IsLoaded()) return;
  modGeneral::SetButtonState(c_.lblcopy, modGeneral::kButtonNormal, c_.lbl_lblcopy, QStringLiteral("button_mini_enb"));
}

bool AboutZQWIN::Form_KeyUp(int key, Qt::KeyboardModifiers shift) {
  const bool escape = key == Qt::Key_Escape;
  const bool altO = key == Qt::Key_O && AltOnly(shift);
  if (!escape && !altO) return false;
  Unload();
  return true;
}

void AboutZQWIN::ShowAbout() {
  Load();
  CentreWindow(false);
  ShowModal();
}

void ShowAboutBox() {
  // The system's start sound that went with the box has no counterpart here.
  QApplication::setOverrideCursor(Qt::WaitCursor);
  AboutZQWIN::Instance().ShowAbout();
  QApplication::restoreOverrideCursor();
}

}  // namespace OrvaneMac
