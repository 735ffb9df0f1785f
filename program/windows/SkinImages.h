#pragma once
// The skin's pictures: the main window's two image lists, looked up by
// key, and the pictures the windows keep with themselves.
//
// The pictures are the program's own, drawn here: a blue caption bar over
// light grey panels, plain rounded button faces (blue when the pointer is
// over them), four round message icons.

#include <QPixmap>
#include <QString>

#include <map>
#include <optional>
#include <vector>

namespace OrvaneMac {

// An image list: pictures by text key. A picture keeps its handle (its
// cache key) for the run, so a control can tell whether it already shows it.
class ImageList {
 public:
  void Add(const QString& key, const QPixmap& picture);
  [[nodiscard]] bool Contains(const QString& key) const;
  // The picture under `key`; nothing when the list lacks the key.
  [[nodiscard]] std::optional<QPixmap> Find(const QString& key) const;
  // The picture under `key`; a missing key raises run-time error 35601
  // ("Element not found").
  [[nodiscard]] QPixmap Picture(const QString& key) const;
  [[nodiscard]] std::vector<QString> Keys() const;

 private:
  std::map<QString, QPixmap> pictures_;
};

// The main window's lists: ImageList4Mac holds the dialogs' pictures
// ("zq_small_close", "zq_msg_info", "zq_msg_question", "zq_msg_cross",
// "zq_msg_warn", "zq_input", "zq_about_us" and the button faces
// "button_enb", "button_ovr", "button_med_enb", "button_med_ovr",
// "button_mini_enb", "button_mini_ovr", "back_dis", "next_dis");
// ImageList1Mac the others ("zq_blue", "zq_max_max", "zq_logo" and the
// border strips "zq_big_left_bdr", "zq_big_cntr_bdr", "zq_big_right_bdr",
// "zq_small_left_bdr", "zq_small_cntr_bdr", "zq_small_right_bdr").
// Created on first use; need a QGuiApplication.
ImageList& ImageList4Mac();
ImageList& ImageList1Mac();

// The message box's own caption-bar picture.
[[nodiscard]] QPixmap MesgBoxCaptionPicture();

// The frames of one of the program's animation clips, by the clip file's
// base name ("prestatus", "deleteremote"); empty for a clip the program
// does not have.
[[nodiscard]] std::vector<QPixmap> AnimationClip(const QString& name);

}  // namespace OrvaneMac
