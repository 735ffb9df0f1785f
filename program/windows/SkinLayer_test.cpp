// The window layer: twips and colours, fonts, the image lists, rounded
// regions and border strips, skinned buttons, path fitting, byte fields,
// and the life of a window (load, unload, modal shows, keys, dragging).
#include "platform/errors/RuntimeError.h"
#include "program/windows/Form.h"
#include "program/windows/SkinControls.h"
#include "program/windows/SkinFonts.h"
#include "program/windows/SkinImages.h"
#include "program/windows/Twips.h"
#include "program/windows/WindowsTestSupport.h"
#include "program/windows/clsRounder.h"
#include "program/windows/modGeneralWindows.h"

#include <QElapsedTimer>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPainter>
#include <QScreen>

#include <gtest/gtest.h>

namespace OrvaneMac {
namespace {

using namespace OrvaneMac::testing;

class SkinLayerTest : public ::testing::Test {
 protected:
  void SetUp() override { App(); }
  void TearDown() override { CancelPending(); }
};

// A small window: a label, an entry field, and counters of its handlers.
class TestForm : public Form {
 public:
  explicit TestForm(const QString& name = QStringLiteral("frmTest")) : Form(name) {}
  int loads = 0;
  int unloads = 0;
  int persistent = 0;  // a private field of the window's class
  QList<int> keysDown;
  QList<int> keysUp;
  bool eatKeys = false;
  Label* caption = nullptr;
  QLineEdit* entry = nullptr;

 protected:
  void CreateControls(FormWindow* w) override {
    Twips::SetPlace(w, 0, 0, 4500, 3000);
    caption = new Label(w, QStringLiteral("Caption"));
    Twips::SetPlace(caption, 0, 0, 4500, 450);
    DragWindowWith(caption);
    entry = new QLineEdit(w);
    Twips::SetPlace(entry, 300, 900, 3000, 315);
  }
  void ForgetControls() override {
    caption = nullptr;
    entry = nullptr;
  }
  void Form_Load() override { ++loads; }
  void Form_Unload() override { ++unloads; }
  bool Form_KeyDown(int key, Qt::KeyboardModifiers) override {
    keysDown << key;
    return eatKeys;
  }
  bool Form_KeyUp(int key, Qt::KeyboardModifiers) override {
    keysUp << key;
    return eatKeys;
  }
};

void DeleteUnloadedWindows() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

// ------------------------------------------------------------ units, colours, fonts

TEST_F(SkinLayerTest, TwipsFollowTheScreenAndColoursAreWindowsValues) {
  EXPECT_EQ(TwipsPerPixelX(), 15);
  EXPECT_EQ(ScreenDpi(), 96);
  EXPECT_EQ(TwipsToPixelsX(6750), 450);
  {
    ScopedTwipsPerPixel dpi120(12, 12);
    EXPECT_EQ(ScreenDpi(), 120);
    EXPECT_EQ(TwipsToPixelsX(6750), 563);  // 562.5, away from zero
  }
  EXPECT_EQ(TwipsPerPixelX(), 15);

  EXPECT_EQ(WinColor(0x827A75), QColor(117, 122, 130));
  EXPECT_EQ(WinColor(0xFFFFFF), QColor(Qt::white));
  EXPECT_EQ(WinColorValue(QColor(117, 122, 130)), 0x827A75);

  QWidget parent;
  QWidget child(&parent);
  Twips::SetPlace(&child, 150, 135, 5235, 300);
  EXPECT_EQ(child.geometry(), QRect(10, 9, 349, 20));
  Twips::SetTop(&child, 200);
  EXPECT_EQ(Twips::Place(&child), QRectF(150, 200, 5235, 300));  // twips kept exactly
}

TEST_F(SkinLayerTest, DesignFontsResolveToTheirLookAlikes) {
  const std::pair<const char*, const char*> fonts[] = {
      {"Arial", "Liberation Sans"},
      {"Times New Roman", "Liberation Serif"},
      {"Tahoma", "Tahoma"},
      {"MS Sans Serif", "MS Sans Serif"},
  };
  for (const auto& [design, expected] : fonts) {
    const QString family = ResolvedFamily(QString::fromLatin1(design));
    ASSERT_FALSE(family.isEmpty()) << "no font at all for " << design;
    EXPECT_EQ(family, QString::fromLatin1(expected)) << design;
  }
  // Liberation keeps Arial's metrics: a bold 9-point caption measures alike.
  EXPECT_GT(QFontMetrics(SkinFont("Arial", 9, true)).horizontalAdvance("Orvane"), 30);
}

// ------------------------------------------------------------ image lists

TEST_F(SkinLayerTest, TheImageListsHoldEveryKeyTheWindowsAskFor) {
  for (const char* key : {"zq_small_close", "zq_msg_info", "zq_msg_question", "zq_msg_cross", "zq_msg_warn", "zq_input",
                          "zq_about_us", "button_enb", "button_ovr", "button_med_enb", "button_med_ovr",
                          "button_mini_enb", "button_mini_ovr", "back_dis", "next_dis"}) {
    const auto picture = ImageList4Mac().Find(QString::fromLatin1(key));
    ASSERT_TRUE(picture.has_value()) << key;
    EXPECT_FALSE(picture->isNull()) << key;
  }
  for (const char* key : {"zq_blue", "zq_max_max", "zq_logo", "zq_big_left_bdr", "zq_big_cntr_bdr", "zq_big_right_bdr",
                          "zq_small_left_bdr", "zq_small_cntr_bdr", "zq_small_right_bdr"}) {
    EXPECT_TRUE(ImageList1Mac().Contains(QString::fromLatin1(key))) << key;
  }
  // Sizes the windows' layouts count on (pixels of a 96-dpi screen).
  EXPECT_EQ(ImageList4Mac().Picture("zq_input").size(), QSize(450, 170));
  EXPECT_EQ(ImageList4Mac().Picture("button_enb").size(), QSize(73, 23));
  EXPECT_EQ(ImageList4Mac().Picture("zq_msg_info").size(), QSize(24, 24));
  // One picture, one handle.
  EXPECT_EQ(ImageList4Mac().Picture("button_ovr").cacheKey(), ImageList4Mac().Picture("button_ovr").cacheKey());
  EXPECT_FALSE(ImageList4Mac().Find("zq_missing").has_value());
  try {
    (void)ImageList4Mac().Picture("zq_missing");
    ADD_FAILURE() << "a missing key must fail";
  } catch (const vb::RuntimeError& e) {
    EXPECT_EQ(e.Number(), 35601);
  }
}

TEST_F(SkinLayerTest, ContactSheetOfTheSkinPictures) {
  // Every picture of both lists on one sheet, for review.
  std::vector<std::pair<QString, QPixmap>> pictures;
  for (ImageList* list : {&ImageList4Mac(), &ImageList1Mac()}) {
    for (const QString& key : list->Keys()) pictures.emplace_back(key, list->Picture(key));
  }
  pictures.emplace_back(QStringLiteral("(message box caption)"), MesgBoxCaptionPicture());
  const int rowHeight = 40;
  int height = 10;
  for (const auto& [key, picture] : pictures) height += std::max(rowHeight, picture.height() + 10);
  QPixmap sheet(700, height);
  sheet.fill(QColor(0xE0, 0xE0, 0xE0));
  QPainter p(&sheet);
  p.setFont(SkinFont("Tahoma", 8.25));
  int y = 10;
  for (const auto& [key, picture] : pictures) {
    p.setPen(Qt::black);
    p.drawText(10, y + 15, key);
    p.drawPixmap(170, y, picture);
    y += std::max(rowHeight, picture.height() + 10);
  }
  p.end();
  const QString path = QDir(ScreenshotFolder()).filePath("skin_pictures.png");
  ASSERT_TRUE(sheet.save(path));
}

TEST_F(SkinLayerTest, AboveNinetySixDpiControlsKeepTheirPixelSize) {
  QWidget window;
  auto make = [&window](const char* name, QWidget* w) {
    w->setParent(&window);
    w->setObjectName(QString::fromLatin1(name));
    Twips::SetPlace(w, 600, 300, 1500, 300);
    return w;
  };
  QWidget* plain = make("lblInfo", new Label(nullptr));
  QWidget* combo = make("cmbDrives", new QComboBox);
  QWidget* frequency = make("cmbFrequency", new QComboBox);
  QWidget* kept = make("lblcopy", new PictureBox(nullptr));

  EXPECT_EQ(ShrinkControlsForDpi(&window, {"lblcopy"}), 1);  // 96 dpi: nothing moves
  EXPECT_EQ(Twips::Place(plain), QRectF(600, 300, 1500, 300));

  ScopedTwipsPerPixel dpi120(12, 12);
  EXPECT_EQ(ShrinkControlsForDpi(&window, {"lblcopy"}), 1.25);
  EXPECT_EQ(Twips::Place(plain), QRectF(480, 240, 1200, 240));
  EXPECT_EQ(plain->geometry(), QRect(40, 20, 100, 20));  // the pixels of 96 dpi
  EXPECT_EQ(Twips::Place(combo), QRectF(480, 240, 1200, 300));
  EXPECT_EQ(Twips::Place(frequency), QRectF(480, 240, 1500, 300));
  EXPECT_EQ(Twips::Place(kept), QRectF(480, 240, 1500, 300));
}

// ------------------------------------------------------------ rounded regions and strips

TEST_F(SkinLayerTest, RegionSizeFollowsTheWindowsName) {
  struct Case {
    const char* name;
    QSize inner;
    QSize region;
  };
  const Case cases[] = {
      {"MesgBox", {473, 300}, {474, 301}},  {"mesgbox", {473, 300}, {474, 301}},
      {"MESGBOX", {472, 300}, {472, 301}},  // +0.5 keeps an even width
      {"FrmInputBox", {450, 170}, {451, 171}}, {"AboutZQWIN", {400, 260}, {401, 261}},
      {"Proxysetting", {400, 100}, {401, 102}}, {"Proxysetting", {400, 101}, {401, 102}},
      {"PreStatus", {300, 101}, {302, 103}},  {"PreStatus", {300, 100}, {302, 102}},
      {"Smart", {473, 300}, {474, 301}},       {"Smart", {472, 301}, {472, 302}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(clsRounder::RegionSize(QString::fromLatin1(c.name), c.inner), c.region)
        << c.name << " " << c.inner.width() << "x" << c.inner.height();
  }
}

TEST_F(SkinLayerTest, TheRegionCutsItsCornersWithSmallEllipses) {
  // Made with 474 x 301, it covers a 473 x 300 window exactly.
  const QRegion r = clsRounder::RoundRectRegion(474, 301, 5);
  EXPECT_EQ(r.boundingRect(), QRect(0, 0, 473, 300));
  for (QPoint corner : {QPoint(0, 0), QPoint(472, 0), QPoint(0, 299), QPoint(472, 299)}) {
    EXPECT_FALSE(r.contains(corner)) << corner.x() << "," << corner.y();
  }
  for (QPoint inside : {QPoint(2, 0), QPoint(0, 2), QPoint(237, 150), QPoint(470, 299), QPoint(472, 297)}) {
    EXPECT_TRUE(r.contains(inside)) << inside.x() << "," << inside.y();
  }
}

TEST_F(SkinLayerTest, AWindowGetsItsRegionAndAResizableOneKeepsItAfterEveryResize) {
  TestForm fixed(QStringLiteral("MesgBox"));
  fixed.SetWidth(473 * 15);
  fixed.SetHeight(300 * 15);
  clsRounder rounder;
  rounder.RoundedBorder(fixed);
  EXPECT_EQ(rounder.RegionExtent(), QSize(474, 301));
  EXPECT_EQ(fixed.Window()->mask().boundingRect(), QRect(0, 0, 473, 300));
  fixed.Window()->resize(600, 400);
  EXPECT_EQ(fixed.Window()->mask().boundingRect(), QRect(0, 0, 473, 300));  // made at load only

  TestForm main(QStringLiteral("Smart"));
  SetWindowResizable(main.Window(), true);
  clsRounder().RoundedBorder(main);
  main.Show();
  main.Window()->resize(800, 600);  // a maximise
  // 800 x 600 gets 800 x 601 (halves to even), covering 799 x 600.
  EXPECT_EQ(main.Window()->mask().boundingRect(), QRect(0, 0, 799, 600));
  EXPECT_FALSE(main.Window()->mask().contains(QPoint(798, 599)));
  EXPECT_TRUE(main.Window()->mask().contains(QPoint(400, 599)));
  main.Unload();
  fixed.Unload();
}

TEST_F(SkinLayerTest, BorderStripTilesReachTheRightEdge) {
  EXPECT_EQ(clsRounder::StripTileLefts(600, 300), (std::vector<int>{0, 300, 600}));
  EXPECT_EQ(clsRounder::StripTileLefts(599, 300), (std::vector<int>{0, 300}));
  EXPECT_TRUE(clsRounder::StripTileLefts(600, 0).empty());

  TestForm form;
  clsRounder().SetImagetoScreen(form);
  const QImage drawing = form.Window()->grab().toImage();
  const QImage left = ImageList1Mac().Picture("zq_big_left_bdr").toImage();
  const QImage centre = ImageList1Mac().Picture("zq_big_cntr_bdr").toImage();
  EXPECT_EQ(drawing.pixelColor(5, 20), left.pixelColor(5, 20));
  EXPECT_EQ(drawing.pixelColor(150, 20), centre.pixelColor(150 % centre.width(), 20));
  SaveScreenshot(form.Window(), QStringLiteral("border_strip_large"));
  clsRounder().SetImagetoScreenSmall(form);
  SaveScreenshot(form.Window(), QStringLiteral("border_strip_small"));
  form.Unload();
}

// ------------------------------------------------------------ skinned buttons

TEST_F(SkinLayerTest, ButtonStatesSetTheFaceAndTheCaption) {
  QWidget host;
  auto* face = new PictureBox(&host);
  auto* label = new Label(face, QStringLiteral("&OK"));
  const qint64 enb = ImageList4Mac().Picture("button_enb").cacheKey();
  const qint64 ovr = ImageList4Mac().Picture("button_ovr").cacheKey();
  const qint64 med = ImageList4Mac().Picture("button_med_enb").cacheKey();

  struct Case {
    int state;
    QString key;
    QString keyAfter;
    qint64 face;
    long color;
    bool enabled;
  };
  const Case cases[] = {
      {1, "", "button_ovr", ovr, modGeneral::kLabelHoverColor, true},
      {0, "", "button_enb", enb, modGeneral::kLabelNormalColor, true},
      {2, "", "button_enb", enb, modGeneral::kLabelDisabledColor, false},
      {1, "button_med_enb", "button_med_enb", med, modGeneral::kLabelHoverColor, true},
      // An unknown state keeps the label but still shows the key's face.
      {3, "button_ovr", "button_ovr", ovr, modGeneral::kLabelHoverColor, true},
      // A key the list lacks keeps the face.
      {0, "zq_missing", "zq_missing", ovr, modGeneral::kLabelNormalColor, true},
  };
  for (const Case& c : cases) {
    QString key = c.key;
    modGeneral::SetButtonState(face, c.state, label, key);
    EXPECT_EQ(key, c.keyAfter) << c.state;
    EXPECT_EQ(face->PictureHandle(), c.face) << c.state << " " << c.key.toStdString();
    EXPECT_EQ(label->ForeColor(), c.color) << c.state;
    EXPECT_EQ(label->isEnabled(), c.enabled) << c.state;
  }

  // A disabled face keeps a grey caption in every state.
  face->setEnabled(false);
  for (int state : {0, 1, 3}) {
    modGeneral::SetButtonState(face, state, label);
    EXPECT_EQ(label->ForeColor(), modGeneral::kLabelDisabledColor) << state;
  }
}

// ------------------------------------------------------------ path fitting and byte fields

TEST_F(SkinLayerTest, PathsBreakIntoLinesOfAtLeastThirtyCharactersThatFitTheLabel) {
  const QString crlf = QStringLiteral("\r\n");
  EXPECT_EQ(modGeneral::FitPathToLabel("", 3000), "");
  EXPECT_EQ(modGeneral::FitPathToLabel("C:\\Data\\a.txt", 3000), "C:\\Data\\a.txt");
  const QString thirty = QStringLiteral("C:\\Documents\\Reports\\2010\\q1.d");
  ASSERT_EQ(thirty.size(), 30);
  EXPECT_EQ(modGeneral::FitPathToLabel(thirty, 99999), thirty + crlf);

  QString path;
  for (int i = 0; i < 8; ++i) path += QStringLiteral("\\Folder number %1").arg(i);
  ASSERT_EQ(path.size(), 128);
  // Nothing longer than 30 characters fits: lines of exactly 30.
  EXPECT_EQ(modGeneral::FitPathToLabel(path, 1),
            path.mid(0, 30) + crlf + path.mid(30, 30) + crlf + path.mid(60, 30) + crlf + path.mid(90, 30) + crlf +
                path.mid(120));
  // Everything fits: one line closed by CR LF.
  EXPECT_EQ(modGeneral::FitPathToLabel(path, 99999), path + crlf);

  // A label of about 45 characters: each line as long as fits.
  const long width = static_cast<long>(QFontMetrics(SkinFont("Tahoma", 8.25)).horizontalAdvance(path.left(45))) * 15;
  const QString fitted = modGeneral::FitPathToLabel(path, width);
  QStringList lines = fitted.split(crlf);
  if (lines.last().isEmpty()) lines.removeLast();
  EXPECT_EQ(lines.join(QString()), path);
  for (qsizetype i = 0; i < lines.size(); ++i) {
    EXPECT_TRUE(modGeneral::TextFitsLabel(lines[i], width)) << lines[i].toStdString();
    if (i + 1 < lines.size()) {
      EXPECT_GE(lines[i].size(), 30);
      EXPECT_FALSE(modGeneral::TextFitsLabel(lines[i] + lines[i + 1].left(1), width)) << lines[i].toStdString();
    }
  }
}

TEST_F(SkinLayerTest, TextsGoIntoByteFieldsWithATerminatingZero) {
  std::vector<std::uint8_t> field(256, 0xFF);
  modGeneral::StringToByteArray(QStringLiteral("Ab\u00E9"), field, 256);
  EXPECT_EQ((std::vector<std::uint8_t>(field.begin(), field.begin() + 6)),
            (std::vector<std::uint8_t>{'A', 0, 'b', 0, 0xE9, 0}));
  EXPECT_TRUE(std::all_of(field.begin() + 6, field.end(), [](std::uint8_t b) { return b == 0; }));

  std::vector<std::uint8_t> tip(256, 0xFF);
  modGeneral::StringToByteArray(QString(200, QLatin1Char('t')), tip, 256);
  for (size_t i = 0; i < 254; i += 2) ASSERT_EQ(tip[i], 't') << i;
  EXPECT_EQ(tip[254], 0);
  EXPECT_EQ(tip[255], 0);

  std::vector<std::uint8_t> untouched(8, 0xFF);
  modGeneral::StringToByteArray(QString(), untouched, 8);
  EXPECT_EQ(untouched, std::vector<std::uint8_t>(8, 0xFF));

  std::vector<std::uint8_t> tooShort(10);
  try {
    modGeneral::StringToByteArray(QStringLiteral("x"), tooShort, 256);
    ADD_FAILURE() << "a short array must fail";
  } catch (const vb::RuntimeError& e) {
    EXPECT_EQ(e.Number(), 9);
  }
}

TEST_F(SkinLayerTest, WorkAreaInPixelsOrTwips) {
  long l = -1, t = -1, w = -1, h = -1;
  modGeneral::GetWorkArea(l, t, w, h, false);
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_EQ(QRect(static_cast<int>(l), static_cast<int>(t), static_cast<int>(w), static_cast<int>(h)), area);
  long tl, tt, tw, th;
  modGeneral::GetWorkArea(tl, tt, tw, th, true);
  EXPECT_EQ(tw, w * 15);
  EXPECT_EQ(th, h * 15);
}

// ------------------------------------------------------------ life of a window

TEST_F(SkinLayerTest, TouchingAWindowLoadsItHiddenAndUnloadKeepsOnlyItsFields) {
  TestForm form;
  EXPECT_FALSE(form.IsLoaded());
  QPointer<FormWindow> first = form.Window();
  EXPECT_TRUE(form.IsLoaded());
  EXPECT_FALSE(first->isVisible());
  EXPECT_EQ(form.loads, 1);
  EXPECT_TRUE(first->windowFlags() & Qt::FramelessWindowHint);
  form.persistent = 42;
  form.caption->SetCaption(QStringLiteral("changed"));

  form.Unload();
  EXPECT_FALSE(form.IsLoaded());
  EXPECT_EQ(form.unloads, 1);
  EXPECT_EQ(form.caption, nullptr);
  DeleteUnloadedWindows();
  EXPECT_TRUE(first.isNull());  // the controls are gone

  (void)form.Window();
  EXPECT_EQ(form.loads, 2);
  EXPECT_EQ(form.persistent, 42);                    // the field stays
  EXPECT_EQ(form.caption->Caption(), "Caption");     // the controls are new
  form.Unload();
}

TEST_F(SkinLayerTest, AModalShowRunsUntilUnloadNotUntilHide) {
  TestForm outer;
  TestForm inner(QStringLiteral("frmInner"));
  bool openAfterHide = false;
  bool innerTookKeys = false;
  bool outerBlockedWhileInner = false;
  WhenShown(outer, [&] {
    outer.Window()->hide();
    QCoreApplication::processEvents();
    openAfterHide = outer.IsLoaded();
    outer.Window()->show();
    // A window shown from inside takes the input while it is up.
    WhenShown(inner, [&] {
      TypeKey(inner.Window(), Qt::Key_F5);
      innerTookKeys = inner.keysDown == QList<int>{Qt::Key_F5};
      outerBlockedWhileInner = QApplication::activeModalWidget() == inner.Window();
      inner.Unload();
    });
    inner.ShowModal();
    outer.Unload();
  });
  outer.ShowModal();
  EXPECT_TRUE(openAfterHide);
  EXPECT_TRUE(innerTookKeys);
  EXPECT_TRUE(outerBlockedWhileInner);
  EXPECT_TRUE(outer.keysDown.isEmpty());
  EXPECT_FALSE(outer.IsLoaded());
}

TEST_F(SkinLayerTest, TheWindowSeesKeysBeforeItsControls) {
  TestForm form;
  form.Show();
  QApplication::setActiveWindow(form.Window());
  form.entry->setFocus();
  ASSERT_EQ(QApplication::focusWidget(), form.entry);

  TypeKey(form.Window(), Qt::Key_A, Qt::NoModifier, "a");
  EXPECT_EQ(form.keysDown, QList<int>{Qt::Key_A});  // once, though it also reaches the parents
  EXPECT_EQ(form.keysUp, QList<int>{Qt::Key_A});
  EXPECT_EQ(form.entry->text(), "a");

  form.eatKeys = true;  // the window keeps the key from the field
  TypeKey(form.Window(), Qt::Key_B, Qt::NoModifier, "b");
  EXPECT_EQ(form.entry->text(), "a");

  EXPECT_TRUE(AltOnly(Qt::AltModifier));
  EXPECT_TRUE(AltOnly(Qt::AltModifier | Qt::KeypadModifier));
  EXPECT_FALSE(AltOnly(Qt::AltModifier | Qt::ShiftModifier));
  EXPECT_FALSE(AltOnly(Qt::NoModifier));
  form.Unload();
}

TEST_F(SkinLayerTest, TheCaptionDragsTheWindow) {
  TestForm form;
  form.Show();
  form.Window()->move(100, 100);
  Label* handle = form.caption;
  const QPointF start(20, 10);
  QMouseEvent press(QEvent::MouseButtonPress, start, handle->mapToGlobal(start), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(handle, &press);
  const QPointF to = start + QPointF(30, 25);
  QMouseEvent move(QEvent::MouseMove, to, handle->mapToGlobal(start) + QPointF(30, 25), Qt::NoButton, Qt::LeftButton,
                   Qt::NoModifier);
  QApplication::sendEvent(handle, &move);
  EXPECT_EQ(form.Window()->pos(), QPoint(130, 125));
  form.Unload();
}

TEST_F(SkinLayerTest, TheAnimationPlaysTheProgramsOwnClips) {
  QWidget host;
  auto* animation = new Animation(&host);
  EXPECT_FALSE(animation->Open(QStringLiteral("images\\other.avi")));
  ASSERT_TRUE(animation->Open(QStringLiteral("images\\prestatus.avi")));
  EXPECT_GT(animation->FrameCount(), 1);
  animation->Play();
  EXPECT_TRUE(animation->IsPlaying());
  QElapsedTimer timer;
  timer.start();
  while (animation->Frame() == 0 && timer.elapsed() < 2000) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  EXPECT_GT(animation->Frame(), 0);
  animation->Stop();
  EXPECT_FALSE(animation->IsPlaying());

  const QCursor hand = HandCursor();
  EXPECT_FALSE(hand.pixmap().isNull());
  EXPECT_EQ(hand.hotSpot(), QPoint(9, 1));
}

}  // namespace
}  // namespace OrvaneMac
