#pragma once
// The pictures of the column trees: the image list "ImageListColTree", its
// 24 pictures by key in a fixed order (index from 1), drawn here; and the
// toolbar pictures of the main window's connected and disconnected states,
// which go into the skin's image lists.

#include <QPixmap>
#include <QString>
#include <QStringList>

#include <vector>

namespace OrvaneMac {

// An image list whose pictures are numbered from 1 in the order added.
class TreeImageList {
 public:
  void Add(const QString& key, const QPixmap& picture);
  [[nodiscard]] int Count() const { return static_cast<int>(pictures_.size()); }
  // The number of the key's picture (from 1); 0 when the list lacks it.
  [[nodiscard]] int IndexOf(const QString& key) const;
  // The picture numbered `index` (from 1); 35600 outside the list.
  [[nodiscard]] QPixmap Picture(int index) const;
  [[nodiscard]] const QStringList& Keys() const { return keys_; }

 private:
  QStringList keys_;
  std::vector<QPixmap> pictures_;
};

// "mycomp", "openfolder", "drive4", "drive2", "drive3", "file", "folder",
// "drive0", "drive1", "tessara", "foldergray1", "mydesktop", "graydrive1",
// "graydrive2", "graydrive0", "graydrive4", "grayfolder", "graydrive3",
// "stgFolder", "mailFolder", "mFolder", "foldergray", "openfoldergray",
// "filegray". Created on first use; needs a QGuiApplication.
const TreeImageList& ImageListColTree();

// Adds the toolbar pictures of the remote controls to the skin's lists when
// they lack them: "refresh_reg", "refresh_disable", "snap_reg",
// "snap_disable", "snap_sunken" to ImageList1Mac; "zq_recalculate" and
// "Sea_Reg" to ImageList4Mac.
void EnsureToolbarPictures();

}  // namespace OrvaneMac
