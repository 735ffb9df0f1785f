#include "program/windows/MesgBox.h"

#include "ZQwinSrv/foundation/ServiceHosts.h"
#include "platform/errors/RuntimeError.h"
#include "platform/text/Conversion.h"
#include "platform/ui/MessageBoxService.h"
#include "program/windows/SkinControls.h"
#include "program/windows/SkinFonts.h"
#include "program/windows/SkinImages.h"
#include "program/windows/Twips.h"
#include "program/foundation/ProgramState.h"
#include "program/session/Transfer.h"
#include "program/windows/clsRounder.h"
#include "program/windows/modGeneralWindows.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLoggingCategory>

#include <algorithm>
#include <optional>
#include <utility>

Q_LOGGING_CATEGORY(lcMesgBox, "restore.ui.mesgbox")

namespace OrvaneMac {
namespace {

// The light grey of the window and its body panel (red, green, blue 245).
constexpr long kBackColor = 0xF5F5F5;

const char* const kIconKeys[4] = {"zq_msg_info", "zq_msg_question", "zq_msg_cross", "zq_msg_warn"};

// Room the caption bar keeps right of its title for the close box (which
// stands 500 twips from the right edge) and a margin.
constexpr double kCloseBoxRoom = 620;

// A label's caption on one line, in twips.
double TextWidthTwips(const Label* label) {
  return QFontMetrics(label->font()).horizontalAdvance(label->ShownText()) * TwipsPerPixelX();
}

// The answer of a button caption ("&" marks the access letter).
std::optional<long> AnswerOfCaption(const QString& caption) {
  static const std::pair<const char*, long> table[] = {
      {"&OK", win::MB_ANSWER_OK},         {"&Ok", win::MB_ANSWER_OK},      {"&Cancel", win::MB_ANSWER_CANCEL},
      {"&Retry", win::MB_ANSWER_RETRY},   {"&Ignore", win::MB_ANSWER_IGNORE}, {"&Yes", win::MB_ANSWER_YES},
      {"&No", win::MB_ANSWER_NO},
  };
  for (const auto& [text, answer] : table) {
    if (caption == QLatin1String(text)) return answer;
  }
  return std::nullopt;
}

// The answer of an access letter, either case.
std::optional<long> AnswerOfLetter(QChar letter) {
  switch (letter.toLower().unicode()) {
    case 'o':
      return win::MB_ANSWER_OK;
    case 'c':
      return win::MB_ANSWER_CANCEL;
    case 'r':
      return win::MB_ANSWER_RETRY;
    case 'i':
      return win::MB_ANSWER_IGNORE;
    case 'y':
      return win::MB_ANSWER_YES;
    case 'n':
      return win::MB_ANSWER_NO;
    default:
      return std::nullopt;
  }
}

// The window's procedures pass over a failing statement and go on.
template <typename F>
void Skip(F&& step) {
  try {
    step();
  } catch (const std::exception& e) {
    qCDebug(lcMesgBox) << "skipped:" << e.what();
  }
}

}  // namespace

MesgBox::MesgBox() : Form(QStringLiteral("MesgBox")) {}

MesgBox& MesgBox::Instance() {
  // Kept for the whole run (never destroyed: its window may outlive the
  // statics' order at exit).
  static MesgBox* instance = new MesgBox;
  return *instance;
}

QString MesgBox::SignUpAddress() {
  return QStringLiteral("https://") + OrvaneSrv::CurrentServiceHosts().sMainWebHost +
         QStringLiteral("/orvanee/jsp/ove_freesignup.jsp?type=M");
}

void MesgBox::InstallAsMessageBoxService() {
  win::SetMessageBoxHandler([](const win::MessageBoxRequest& r) -> long {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
      const long answer = win::MessageBoxCloseAnswer(r.style);
      qCWarning(lcMesgBox).noquote() << "no application to show the message" << r.title << ":" << r.text
                                     << "- answered" << answer;
      return answer;
    }
    return Instance().MessageBox(r.text, r.icon, r.style, r.title);
  });
}

// ---------------------------------------------------------------- controls

MesgBox::Controls& MesgBox::C() {
  Load();
  return c_;
}

PictureBox* MesgBox::Picture1() { return C().Picture1; }
Label* MesgBox::AppCaption() { return C().AppCaption; }
Label* MesgBox::lblCapbar() { return C().lblCapbar; }
PictureBox* MesgBox::MsgClose() { return C().MsgClose; }
PictureBox* MesgBox::Picture2() { return C().Picture2; }
Label* MesgBox::lblText() { return C().lblText; }
Label* MesgBox::lblSmallText() { return C().lblSmallText; }
PictureBox* MesgBox::picIcon(int index) { return C().picIcon.at(static_cast<size_t>(index)); }
Container* MesgBox::picBtnContainer() { return C().picBtnContainer; }
PictureBox* MesgBox::cmdButton(int index) { return C().cmdButton.at(static_cast<size_t>(index)); }
Label* MesgBox::lbl_cmdButton(int index) { return C().lbl_cmdButton.at(static_cast<size_t>(index)); }
HyperLink* MesgBox::UniHyperLink1() { return C().UniHyperLink1; }

void MesgBox::CreateControls(FormWindow* w) {
  Controls& c = c_;
  w->SetBackColor(kBackColor);
  Twips::SetPlace(w, 0, 0, 6750, 3945);

  c.Picture2 = new PictureBox(w);
  c.Picture2->setObjectName(QStringLiteral("Picture2"));
  Twips::SetPlace(c.Picture2, 0, 465, 6720, 3450);
  c.Picture2->SetBackColor(kBackColor);

  c.Picture1 = new PictureBox(w);
  c.Picture1->setObjectName(QStringLiteral("Picture1"));
  Twips::SetPlace(c.Picture1, 0, 15, 6720, 495);
  c.Picture1->SetPicture(MesgBoxCaptionPicture());
  c.Picture1->SetStretch(true);
  DragWindowWith(c.Picture1);

  c.AppCaption = new Label(w);
  c.AppCaption->setObjectName(QStringLiteral("AppCaption"));
  Twips::SetPlace(c.AppCaption, 150, 135, 5235, 300);
  c.AppCaption->setFont(SkinFont(QStringLiteral("Arial"), 9, true));

  c.lblCapbar = new Label(w);
  c.lblCapbar->setObjectName(QStringLiteral("lblCapbar"));
  Twips::SetPlace(c.lblCapbar, 45, -45, 6585, 480);
  DragWindowWith(c.lblCapbar);

  c.MsgClose = new PictureBox(w);
  c.MsgClose->setObjectName(QStringLiteral("MsgClose"));
  Twips::SetPlace(c.MsgClose, 6330, 120, 210, 210);
  c.MsgClose->SetStretch(true);
  c.MsgClose->setToolTip(QStringLiteral("Close"));
  c.MsgClose->setCursor(HandCursor());
  QObject::connect(c.MsgClose, &Control::MouseUp, w,
                   [this](Qt::MouseButton button, Qt::KeyboardModifiers, QPoint) { MsgClose_MouseUp(button); });

  QObject::connect(c.Picture2, &Control::MouseMove, w, [this](Qt::MouseButtons, Qt::KeyboardModifiers, QPoint) {
    hoverEnabled_ = true;
    AllFacesNormal();
  });

  c.lblText = new Label(c.Picture2);
  c.lblText->setObjectName(QStringLiteral("lblText"));
  Twips::SetPlace(c.lblText, 1110, 585, 5190, 1755);
  c.lblSmallText = new Label(c.Picture2);
  c.lblSmallText->setObjectName(QStringLiteral("lblSmallText"));
  Twips::SetPlace(c.lblSmallText, 1110, 585, 5190, 1230);
  for (Label* l : {c.lblText, c.lblSmallText}) l->setFont(SkinFont(QStringLiteral("Tahoma"), 8.25));

  for (int i = 0; i < 4; ++i) {
    auto* icon = new PictureBox(c.Picture2);
    icon->setObjectName(QStringLiteral("picIcon%1").arg(i));
    Twips::SetPlace(icon, 255, 585, 360, 360);
    icon->hide();
    c.picIcon[static_cast<size_t>(i)] = icon;
  }

  c.picBtnContainer = new Container(c.Picture2);
  c.picBtnContainer->setObjectName(QStringLiteral("picBtnContainer"));
  Twips::SetPlace(c.picBtnContainer, 75, 2400, 4500, 465);
  QObject::connect(c.picBtnContainer, &Control::MouseMove, w,
                   [this](Qt::MouseButtons, Qt::KeyboardModifiers, QPoint) { hoverEnabled_ = true; });

  const double lefts[3] = {255, 1620, 3135};
  for (int i = 0; i < 3; ++i) {
    auto* face = new PictureBox(c.picBtnContainer);
    face->setObjectName(QStringLiteral("cmdButton%1").arg(i));
    Twips::SetPlace(face, lefts[i], 45, 1095, 345);
    face->SetPressedLook(true);
    face->hide();
    auto* caption = new Label(face);
    caption->setObjectName(QStringLiteral("lbl_cmdButton%1").arg(i));
    Twips::SetPlace(caption, 60, 45, 990, 255);
    caption->setFont(SkinFont(QStringLiteral("Arial"), 9, true));
    caption->SetAlignment(Label::Alignment::Center);
    c.cmdButton[static_cast<size_t>(i)] = face;
    c.lbl_cmdButton[static_cast<size_t>(i)] = caption;
    auto up = [this, i](Qt::MouseButton button, Qt::KeyboardModifiers, QPoint) { cmdButton_MouseUp(i, button); };
    QObject::connect(face, &Control::MouseUp, w, up);
    QObject::connect(caption, &Control::MouseUp, w, up);
    QObject::connect(caption, &Control::MouseMove, w,
                     [this, i](Qt::MouseButtons, Qt::KeyboardModifiers, QPoint) { lbl_cmdButton_MouseMove(i); });
  }

  c.UniHyperLink1 =
      new HyperLink(c.Picture2, OrvaneSrv::CurrentServiceHosts().sMainWebHost, SignUpAddress());
  c.UniHyperLink1->setObjectName(QStringLiteral("UniHyperLink1"));
  Twips::SetPlace(c.UniHyperLink1, 3750, 1245, 1185, 240);
  c.UniHyperLink1->hide();
  QObject::connect(c.UniHyperLink1, &HyperLink::Activate, w,
                   [w] { gTransfer().Trf_ViewFile(w, SignUpAddress()); });
}

void MesgBox::ForgetControls() { c_ = Controls{}; }

// ---------------------------------------------------------------- load and layout

void MesgBox::Form_Load() {
  Controls& c = c_;
  Skip([&] {
    const QPixmap close = ImageList4Mac().Picture(QStringLiteral("zq_small_close"));
    if (c.MsgClose->PictureHandle() != close.cacheKey()) c.MsgClose->SetPicture(close);
  });
  for (int i = 0; i < 4; ++i) {
    Skip([&] {
      const QPixmap icon = ImageList4Mac().Picture(QLatin1String(kIconKeys[i]));
      PictureBox* box = c.picIcon[static_cast<size_t>(i)];
      if (box->PictureHandle() != icon.cacheKey()) box->SetPicture(icon);
    });
  }
  hoverEnabled_ = false;
  AllFacesNormal();
  ApplyDpiScale();
  Program().SkipActivateRepaint = true;
}

void MesgBox::ApplyDpiScale() {
  const double dpi = ScreenDpi();
  if (dpi <= 96) return;
  const double f = dpi / 96;
  Controls& c = c_;
  FormWindow* w = Window();
  Twips::SetWidth(w, Twips::Width(w) / f);
  Twips::SetHeight(w, Twips::Height(w) / f);
  Form_Resize();
  Twips::SetHeight(c.Picture2, Twips::Height(w) - 475);
  Twips::SetWidth(c.MsgClose, Twips::Width(c.MsgClose) - 40);
  Twips::SetHeight(c.MsgClose, Twips::Height(c.MsgClose) - 40);
  for (Label* l : c.lbl_cmdButton) {
    Twips::SetTop(l, 30);
    Twips::SetLeft(l, -20);
  }
  Twips::SetTop(c.UniHyperLink1, 1235);
  Twips::SetLeft(c.UniHyperLink1, 3575);
}

void MesgBox::Form_Resize() {
  Controls& c = c_;
  if (!c.Picture1) return;
  const double width = Twips::Width(Window());
  const double height = Twips::Height(Window());
  Skip([&] {
    Twips::SetWidth(c.Picture1, width - 15);
    Twips::SetLeft(c.MsgClose, Twips::Width(c.Picture1) - 500);
    Twips::SetWidth(c.AppCaption, std::max(0.0, Twips::Left(c.MsgClose) - Twips::Left(c.AppCaption) - 60));
    Twips::SetWidth(c.Picture2, width - 15);
    Twips::SetHeight(c.Picture2, height - 469);
  });
}

void MesgBox::SetMessage(const QString& text) {
  Controls& c = C();
  if (text.size() <= 50) {
    c.lblSmallText->SetCaption(text);
    shortTextShown_ = true;
    c.lblText->hide();
    c.lblSmallText->show();
  } else {
    const auto n = static_cast<long>(vb::RoundHalfEven(static_cast<double>(text.size()) / 50.0));
    if (n <= 2) {
      c.lblText->SetCaption(QStringLiteral("\r\n\r\n") + text);
      Twips::SetHeight(c.lblText, 1000);
    } else if (n <= 4) {
      c.lblText->SetCaption(QStringLiteral("\r\n") + text);
      Twips::SetHeight(c.lblText, 1230);
    } else if (n == 5) {
      c.lblText->SetCaption(text);
      Twips::SetHeight(c.lblText, 1230);
    } else {
      c.lblText->SetCaption(text);
    }
    shortTextShown_ = false;
    c.lblText->show();
    c.lblSmallText->hide();
  }
  ResizeMsgbox();
  // The region is made from this first sizing of the call.
  clsRounder rounder;
  rounder.RoundedBorder(*this);
}

void MesgBox::ResizeMsgbox() {
  Controls& c = C();
  Label* l = shortTextShown_ ? c.lblSmallText : c.lblText;
  if (shortTextShown_) l->SetAutoSize(true);
  const double faceWidth = Twips::Width(c.cmdButton[0]);
  if (Twips::Width(l) < faceWidth) Twips::SetWidth(l, faceWidth);

  // A caller's sign-up link gets a row of its own under the text, above
  // the buttons (at its design place it would lie over them).
  HyperLink* link = c.UniHyperLink1;
  const bool linkShown = !link->isHidden();
  if (linkShown) link->SetAutoSize(true);
  const double linkRow = linkShown ? Twips::Height(link) + 90 : 0;
  SetHeight(Twips::Top(l) + Twips::Height(c.Picture1) + Twips::Height(l) + linkRow + Twips::Height(c.picBtnContainer));
  SetWidth(Twips::Left(l) + std::max(Twips::Width(l), linkShown ? Twips::Width(link) : 0.0) + 800);
  // A box narrower than its title would run the title under the close box:
  // the box is as wide as the title needs, the close box keeping its room.
  const double titleNeeds = Twips::Left(c.AppCaption) + TextWidthTwips(c.AppCaption) + kCloseBoxRoom;
  if (Width() < titleNeeds) SetWidth(titleNeeds);
  Twips::SetTop(l, 200);
  if (linkShown) {
    Twips::SetLeft(link, Twips::Left(l));
    Twips::SetTop(link, Twips::Top(l) + Twips::Height(l) + 30);
  }
  Twips::SetTop(c.picBtnContainer, Twips::Top(l) + Twips::Height(l) + linkRow);
  const double stripWidth = Width() - 100;
  Twips::SetWidth(c.picBtnContainer, stripWidth);
  if (buttonCount_ == -1) return;

  PictureBox* const* f = c.cmdButton.data();
  switch (buttonCount_) {
    case 1:
      Twips::SetLeft(f[0], (stripWidth - Twips::Width(f[0])) / 2);
      break;
    case 2:
      Twips::SetLeft(f[0], (stripWidth - 1800) / 2);
      Twips::SetLeft(f[1], Twips::Left(f[0]) + Twips::Width(f[0]) + 150);
      break;
    case 3:
      Twips::SetLeft(f[0], (stripWidth - 2800) / 2);
      Twips::SetLeft(f[1], Twips::Left(f[0]) + Twips::Width(f[0]) + 150);
      Twips::SetLeft(f[2], Twips::Left(f[1]) + Twips::Width(f[1]) + 150);
      break;
    default:
      break;
  }
  c.Picture1->SetStretch(true);
}

void MesgBox::SetButton(int index, const QString& caption, bool visible, bool /*flag*/) {
  cmdButton(index)->setVisible(visible);
  lbl_cmdButton(index)->SetCaption(caption);
}

void MesgBox::ButtonResult(int index) {
  const std::optional<long> answer = AnswerOfCaption(lbl_cmdButton(index)->Caption().trimmed());
  if (answer) buttonResultCode_ = *answer;
  Unload();
}

// ---------------------------------------------------------------- the call

long MesgBox::MessageBox(const QString& text, long icon, long style, const QString& title) {
  try {
    return ShowMessage(text, icon, style, title);
  } catch (const std::exception& e) {
    qCWarning(lcMesgBox) << "message box not shown:" << e.what();
    return 0;
  }
}

long MesgBox::ShowMessage(const QString& text, long icon, long style, const QString& title) {
  buttonCount_ = -1;
  // A box closed without a button (its close box in a style without No or
  // Cancel) must not answer an earlier box's button.
  buttonResultCode_ = 0;
  // The title first: both sizings of the call keep it readable.
  AppCaption()->SetCaption(title);
  SetMessage(text);

  const std::vector<win::MessageBoxButton> buttons = win::MessageBoxButtons(style);
  if (!buttons.empty()) {
    QString lower;
    for (size_t i = 0; i < buttons.size(); ++i) {
      SetButton(static_cast<int>(i), buttons[i].caption, true, i == 0);
      lower += buttons[i].caption.at(buttons[i].caption.indexOf(QLatin1Char('&')) + 1).toLower();
    }
    accessLetters_ = lower + lower.toUpper();
    defaultLetter_ = style == win::MB_STYLE_OK_CANCEL ? QStringLiteral("c")
                     : style == win::MB_STYLE_YES_NO ? QStringLiteral("y")
                                                      : QStringLiteral("o");
    buttonCount_ = static_cast<int>(buttons.size());
  }
  Window()->setWindowTitle(title);

  if (icon < 0 || icon > 3) throw vb::RuntimeError(vb::errSubscriptOutOfRange);
  PictureBox* shown = picIcon(static_cast<int>(icon));
  shown->show();
  Twips::SetTop(shown, Twips::Height(Picture1()) + 120);

  ResizeMsgbox();
  CentreWindow(false);
  ShowModal();
  return buttonResultCode_;
}

// ---------------------------------------------------------------- events

void MesgBox::AllFacesNormal() {
  for (int i = 0; i < 3; ++i) modGeneral::SetButtonState(c_.cmdButton[static_cast<size_t>(i)], 0, c_.lbl_cmdButton[static_cast<size_t>(i)]);
}

void MesgBox::cmdButton_MouseUp(int index, Qt::MouseButton button) {
  if (button == Qt::LeftButton) ButtonResult(index);
}

void MesgBox::MsgClose_MouseUp(Qt::MouseButton button) {
  // The close box presses No or Cancel, whichever the box shows.
  for (int i = 0; i < 3; ++i) {
    const size_t k = static_cast<size_t>(i);
    if (!c_.cmdButton[k]->isVisibleTo(Window())) continue;
    const QString caption = c_.lbl_cmdButton[k]->Caption().trimmed();
    if (caption == QLatin1String("&No") || caption == QLatin1String("&Cancel")) {
      cmdButton_MouseUp(i, button);
      return;
    }
  }
  Unload();
}

void MesgBox::lbl_cmdButton_MouseMove(int index) {
  if (!hoverEnabled_) return;
  for (int i = 0; i < 3; ++i) {
    const size_t k = static_cast<size_t>(i);
    modGeneral::SetButtonState(c_.cmdButton[k], i == index ? 1 : 0, c_.lbl_cmdButton[k]);
  }
}

void MesgBox::Form_MouseMove(Qt::MouseButtons, QPoint) { AllFacesNormal(); }

bool MesgBox::AccessLetter(QChar letter) {
  if (letter.isNull() || !accessLetters_.contains(letter)) return false;
  const std::optional<long> answer = AnswerOfLetter(letter);
  if (!answer) return false;
  buttonResultCode_ = *answer;
  Unload();
  return true;
}

bool MesgBox::Form_KeyDown(int key, Qt::KeyboardModifiers) {
  if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
  AccessLetter(defaultLetter_.isEmpty() ? QChar() : defaultLetter_.at(0));
  return true;
}

bool MesgBox::Form_KeyUp(int key, Qt::KeyboardModifiers shift) {
  if (!(shift & Qt::AltModifier) || key < Qt::Key_A || key > Qt::Key_Z) return false;
  return AccessLetter(QChar(key));
}

}  // namespace OrvaneMac
