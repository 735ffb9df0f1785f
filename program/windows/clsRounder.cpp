#include "program/windows/clsRounder.h"

#include "platform/text/Conversion.h"
#include "program/windows/Form.h"
#include "program/windows/SkinImages.h"
#include "program/windows/Twips.h"

#include <QEvent>
#include <QVariant>
#include <QWidget>

#include <cmath>

namespace OrvaneMac {
namespace {

constexpr char kResizableProperty[] = "orvaneResizable";
constexpr char kRegionNameProperty[] = "orvaneRegionName";
constexpr char kFollowedProperty[] = "orvaneRegionFollowed";

struct Correction {
  double width;
  double height;
};

// Pixels added to a window's inner size, by window name; the first row
// that names the window wins. Some names belong to windows of the older
// product family; they stay so that the table reads as the windows were
// tuned.
Correction CorrectionFor(const QString& name) {
  struct Row {
    std::vector<const char*> names;
    Correction correction;
  };
  static const std::vector<Row> rows = {
      {{"MesgBox", "Login", "Deleteremotefrm", "frmProgressDisplay"}, {0.5, 0.75}},
      {{"AboutZQWIN", "frmSQLSvrLogin", "frmOracleSvrLogin", "frmTimeStamp", "frmErrorReport1",
        "frmLocalFileBrowse", "frmMultiplePC", "frmMirrorRelative", "FrmInputBox", "FrmInsertFldFileName"},
       {0.75, 1.25}},
      {{"Proxysetting"}, {0.75, 1.5}},
      {{"PreStatus"}, {1.5, 2}},
  };
  for (const Row& row : rows) {
    for (const char* n : row.names) {
      if (name.compare(QLatin1String(n), Qt::CaseInsensitive) == 0) return row.correction;
    }
  }
  return {0.5, 1.25};
}

// Builds the region again when a resizable window changes size.
class RegionFollower : public QObject {
 public:
  explicit RegionFollower(QWidget* window) : QObject(window), window_(window) {}

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Resize && window_->property(kResizableProperty).toBool()) {
      clsRounder rounder;
      rounder.RoundedBorder(window_, window_->property(kRegionNameProperty).toString());
    }
    return false;
  }

 private:
  QWidget* window_;
};

}  // namespace

QSize clsRounder::RegionSize(const QString& name, QSize inner) {
  const Correction c = CorrectionFor(name);
  return {static_cast<int>(vb::RoundHalfEven(inner.width() + c.width)),
          static_cast<int>(vb::RoundHalfEven(inner.height() + c.height))};
}

QRegion clsRounder::RoundRectRegion(int right, int bottom, int ellipse) {
  right -= 1;
  bottom -= 1;
  if (right <= 0 || bottom <= 0) return {};
  const int e = std::min({ellipse, right, bottom});
  const int r = e / 2;
  QRegion region(0, r, right, bottom - 2 * r);
  region += QRegion(r, 0, right - 2 * r, bottom);
  region += QRegion(0, 0, e, e, QRegion::Ellipse);
  region += QRegion(right - e, 0, e, e, QRegion::Ellipse);
  region += QRegion(0, bottom - e, e, e, QRegion::Ellipse);
  region += QRegion(right - e, bottom - e, e, e, QRegion::Ellipse);
  return region;
}

std::vector<int> clsRounder::StripTileLefts(int innerWidthTwips, int tileWidthTwips) {
  std::vector<int> lefts;
  if (tileWidthTwips <= 0) return lefts;
  for (int x = 0; x <= innerWidthTwips; x += tileWidthTwips) lefts.push_back(x);
  return lefts;
}

void clsRounder::RoundedBorder(Form& form) { RoundedBorder(form.Window(), form.Name()); }

void clsRounder::RoundedBorder(QWidget* window, const QString& name) {
  const QSize size = RegionSize(name, window->size());
  extent_ = size;
  region_ = RoundRectRegion(size.width(), size.height(), 5);
  window->setMask(region_);
  window->setProperty(kRegionNameProperty, name);
  if (window->property(kResizableProperty).toBool() && !window->property(kFollowedProperty).toBool()) {
    window->setProperty(kFollowedProperty, true);
    window->installEventFilter(new RegionFollower(window));
  }
}

void clsRounder::SetImagetoScreen(Form& form) {
  PaintStrip(form, QStringLiteral("zq_big_left_bdr"), QStringLiteral("zq_big_cntr_bdr"),
             QStringLiteral("zq_big_right_bdr"));
}

void clsRounder::SetImagetoScreenSmall(Form& form) {
  PaintStrip(form, QStringLiteral("zq_small_left_bdr"), QStringLiteral("zq_small_cntr_bdr"),
             QStringLiteral("zq_small_right_bdr"));
}

void clsRounder::PaintStrip(Form& form, const QString& left, const QString& centre, const QString& right) {
  FormWindow* window = form.Window();
  window->Cls();
  // A missing picture ends the painting; the caller decides what that means.
  const QPixmap centrePicture = ImageList1Mac().Picture(centre);
  const QPixmap leftPicture = ImageList1Mac().Picture(left);
  const QPixmap rightPicture = ImageList1Mac().Picture(right);
  const int tile = centrePicture.width() * TwipsPerPixelX();
  for (int x : StripTileLefts(static_cast<int>(std::lround(Twips::Width(window))), tile)) {
    window->PaintPicture(centrePicture, x, 0);
  }
  window->PaintPicture(leftPicture, 0, 0);
  window->PaintPicture(rightPicture, Twips::Width(window) - rightPicture.width() * TwipsPerPixelX(), 0);
}

void SetWindowResizable(QWidget* window, bool resizable) { window->setProperty(kResizableProperty, resizable); }

}  // namespace OrvaneMac
