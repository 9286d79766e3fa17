// A test fixture with one headless form of 500 x 400 pixels, made fresh for each test; the
// windows a test leaves behind are destroyed with it.
#pragma once

#include <gtest/gtest.h>

#include "platform/vcl/forms.h"
#include "platform/win/winuser.h"

class FormTestBase : public ::testing::Test {
protected:
  void SetUp() override {
    ResetInputState();
    Form = new TForm(nullptr);
    Form->SetBounds(50, 50, 500, 400);
  }
  void TearDown() override {
    delete Form;
    Application()->ProcessMessages();
    DestroyAllThreadWindows();
  }
  void Run() { Application()->ProcessMessages(); }
  TForm* Form = nullptr;
};
