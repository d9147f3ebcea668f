#pragma once
// The installer's dialogs: one class for the two generic boxes (a text and a caption) and the
// three tip windows whose texts are in their layouts. ShowMessageBox builds, runs and destroys a
// box modally over its owner and returns which button closed it:
//   0 okBtn, 1 cancelBtn, 2 any other clickable control ("closebtn"), 1 closed without a click.

#include <string>

#include "ui/skin_frame.h"

namespace SkinUI {

class CLabelUI;
class CButtonUI;

inline constexpr int kBoxOk = 0;
inline constexpr int kBoxCancel = 1;
inline constexpr int kBoxOther = 2;

class CMessageBoxWnd : public CSkinFrame {
 public:
  explicit CMessageBoxWnd(const FrameDescriptor& descriptor) : CSkinFrame(descriptor) {}

  void InitWindow() override;
  void OnClick(TNotifyUI& msg) override;

  int Result() const { return m_result; }
  CLabelUI* TextLabel() const { return m_pTextLbl; }
  CLabelUI* CaptionLabel() const { return m_pCaptionLbl; }

 private:
  int m_result = kBoxCancel;
  CButtonUI* m_pOkBtn = nullptr;
  CButtonUI* m_pCancelBtn = nullptr;
  CLabelUI* m_pTextLbl = nullptr;
  CLabelUI* m_pCaptionLbl = nullptr;
};

// Null text or caption keeps what the layout shows.
int ShowMessageBox(HWND owner, const FrameDescriptor& descriptor, const wchar_t* text, const wchar_t* caption);

}  // namespace SkinUI
