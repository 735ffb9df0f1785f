#pragma once
// Helpers for the tests of the session-log viewer and the feedback window:
// answering the program's message boxes as they come and recording them,
// and a temporary session folder of the fixture's program folder. Tests only.

#include "program/windows/MesgBox.h"
#include "program/windows/SkinControls.h"
#include "program/windows/WindowsTestSupport.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace OrvaneMac::testing {

struct ShownMessage {
  QString text;
  int icon = -1;
};

// Answers (OK) every message box shown while it lives and records it.
class MessageRecorder {
 public:
  MessageRecorder() : alive_(std::make_shared<bool>(true)) { Arm(); }
  ~MessageRecorder() { *alive_ = false; }
  MessageRecorder(const MessageRecorder&) = delete;
  MessageRecorder& operator=(const MessageRecorder&) = delete;

  [[nodiscard]] const std::vector<ShownMessage>& Messages() const { return messages_; }
  [[nodiscard]] QStringList Texts() const {
    QStringList t;
    for (const ShownMessage& m : messages_) t << m.text;
    return t;
  }

 private:
  void Arm() {
    std::shared_ptr<bool> alive = alive_;
    WhenShown(MesgBox::Instance(), [this, alive] {
      if (!*alive) return;
      MesgBox& box = MesgBox::Instance();
      ShownMessage m;
      m.text = (box.ShortTextShown() ? box.lblSmallText() : box.lblText())->Caption().trimmed();
      for (int i = 0; i < 4; ++i)
        if (box.picIcon(i)->isVisibleTo(box.Window())) m.icon = i;
      messages_.push_back(m);
      TypeKey(box.Window(), Qt::Key_Return);
      Arm();
    });
  }
  std::shared_ptr<bool> alive_;
  std::vector<ShownMessage> messages_;
};

}  // namespace OrvaneMac::testing
