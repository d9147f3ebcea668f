#include "ui/message_box_wnd.h"

#include "ui/framework/button.h"
#include "ui/framework/label.h"

namespace SkinUI {

// Frame windows drop the system caption and maximise box and draw their own title row.
inline constexpr uint32_t kFrameStyleMask = 0xFF3EFFFF;
inline constexpr uint32_t kFrameStyleAdd = WS_CLIPSIBLINGS | WS_CLIPCHILDREN;

void CMessageBoxWnd::InitWindow() {
  CSkinFrame::InitWindow();
  SetWindowLong(GWL_STYLE, (GetWindowLong(GWL_STYLE) & kFrameStyleMask) | kFrameStyleAdd);
  SetWindowLong(GWL_EXSTYLE, GetWindowLong(GWL_EXSTYLE) & ~WS_EX_TOPMOST);
  m_pOkBtn = m_pm.FindControl<CButtonUI>(L"okBtn");
  m_pCancelBtn = m_pm.FindControl<CButtonUI>(L"cancelBtn");
  m_pTextLbl = m_pm.FindControl<CLabelUI>(L"textLbl");
  m_pCaptionLbl = m_pm.FindControl<CLabelUI>(L"captionLbl");
}

void CMessageBoxWnd::OnClick(TNotifyUI& msg) {
  if (msg.pSender && msg.pSender == m_pOkBtn) {
    Close(IDOK);
    m_result = kBoxOk;
  } else if (msg.pSender && msg.pSender == m_pCancelBtn) {
    Close(IDOK);
    m_result = kBoxCancel;
  } else {
    CSkinFrame::OnClick(msg);
    m_result = kBoxOther;
  }
}

int ShowMessageBox(HWND owner, const FrameDescriptor& descriptor, const wchar_t* text, const wchar_t* caption) {
  CMessageBoxWnd box(descriptor);
  if (!box.Create(owner, L"消息框", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0)) return kBoxCancel;
  if (text && box.TextLabel()) box.TextLabel()->SetText(text);
  if (caption && box.CaptionLabel()) box.CaptionLabel()->SetText(caption);
  box.CenterWindow();
  box.ShowModal();
  const int result = box.Result();
  // A box whose owner went away took its window with it; one still there is destroyed here.
  box.DestroyWindow();
  return result;
}

}  // namespace SkinUI
