#pragma once
// The sign-in window, shown modeless at start-up. Until a first sign-in
// of the run has succeeded, closing it ends the program.

#include "program/windows/Form.h"

class QLabel;

namespace OrvaneMac {

class Login : public Form {
 public:
  static Login& Instance();

 protected:
  void CreateControls(FormWindow* window) override;
  void ForgetControls() override;
  void Form_Load() override;
  void Form_Unload() override;
  [[nodiscard]] bool Skinned() const override { return false; }

 private:
  Login();
  struct Controls {
    QLabel* lblTitle = nullptr;
  };
  Controls c_;
};

}  // namespace OrvaneMac
