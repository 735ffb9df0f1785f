#pragma once
// The general module's window helpers: the state switch of the skinned
// buttons, the desktop work area, the breaking of a long path into lines
// that fit a label, and the copy of a text into a fixed byte field of a
// system record.

#include <QFont>
#include <QRect>
#include <QString>

#include <cstdint>
#include <vector>

class QAbstractItemView;

namespace OrvaneMac {

class Label;
class PictureBox;

namespace modGeneral {

// Button face states.
inline constexpr int kButtonNormal = 0;
inline constexpr int kButtonHover = 1;
inline constexpr int kButtonDisabled = 2;

// Label colours of the states (Windows colour values).
inline constexpr long kLabelNormalColor = 0;
inline constexpr long kLabelHoverColor = 0xFFFFFF;
inline constexpr long kLabelDisabledColor = 0x827A75;

// Puts a skinned button (face `picture`, caption `label`) into `state`: the
// face from ImageList4Mac under `imageKey`, the label's colour and enabled
// state. An empty key becomes the state's default ("button_enb", or
// "button_ovr" for the hover state) and the caller's variable receives it.
// Nothing is written that already holds its value, so the calls from mouse
// movement cause no repaint. A key the list lacks leaves the face as it is.
void SetButtonState(PictureBox* picture, int state, Label* label, QString& imageKey);
void SetButtonState(PictureBox* picture, int state, Label* label, const QString& imageKey = {});

// The desktop work area (the screen without its panels): in pixels, or in
// twips when `inTwips` is set.
void GetWorkArea(long& left, long& top, long& width, long& height, bool inTwips);
// Tests: the work area GetWorkArea answers, in pixels (an empty rectangle
// asks the screen again).
void SetWorkAreaForTesting(const QRect& pixels);

// The font the path labels measure with (the progress window's item label
// sets its own); Tahoma 8.25 pt until then.
void SetPathLabelFont(const QFont& font);

// True when `text` on one line is not wider than `width` twips.
[[nodiscard]] bool TextFitsLabel(const QString& text, long width);

// Breaks `path` into lines of at least 30 characters, each as long as fits
// `width` twips, joined by CR LF (see the notes in the source).
[[nodiscard]] QString FitPathToLabel(const QString& path, long width);

// A list box's horizontal extent (the list box message that sets it): the
// list scrolls sideways until `pixels` of it have been shown, also when its
// items are narrower; an extent not wider than the list shows no scroll bar.
// The extent holds until it is set again.
void SetHorizontalExtent(QAbstractItemView* list, int pixels);
[[nodiscard]] int HorizontalExtent(const QAbstractItemView* list);

// Copies `text` as UTF-16 (low byte first) into the first `byteCount`
// elements of `bytes`, always ending in a zero character: an empty text
// changes nothing; a longer text is cut to (byteCount - 2) / 2 characters.
// An array shorter than byteCount raises run-time error 9.
void StringToByteArray(const QString& text, std::vector<std::uint8_t>& bytes, long byteCount);

}  // namespace modGeneral
}  // namespace OrvaneMac
