#pragma once
// The main window. It is created hidden at start-up (setting the caption of
// its about-menu item loads it) and shown after the first successful
// sign-in.

#include "program/windows/Form.h"

class QAction;

namespace OrvaneMac {

class Smart : public Form {
 public:
  static Smart& Instance();

  // The about-menu item (touching it loads the window hidden).
  QAction* mnuAboutTessara();

 protected:
  void CreateControls(FormWindow* window) override;
  void ForgetControls() override;
  [[nodiscard]] bool Skinned() const override { return false; }

 private:
  Smart();
  struct Controls {
    QAction* mnuAboutTessara = nullptr;
  };
  Controls c_;
};

}  // namespace OrvaneMac
