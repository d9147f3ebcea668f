#include "ui/skin_frame.h"

#include "ui/framework/attribute_values.h"
#include "ui/sequence_controls.h"

namespace SkinUI {

FrameDescriptor MakeFrameDescriptor(std::wstring_view layoutFile) {
  FrameDescriptor d;
  d.layoutFile = layoutFile;
  d.windowClassName = layoutFile.substr(0, layoutFile.find(L'.'));
  return d;
}

CSkinFrame::CSkinFrame(const FrameDescriptor& descriptor)
    : m_resourceType(descriptor.resourceType),
      m_resourceId(descriptor.resourceId),
      m_sSkinFolder(descriptor.skinFolder),
      m_sLayoutFile(descriptor.layoutFile),
      m_sWindowClassName(descriptor.windowClassName) {}

CSkinFrame::~CSkinFrame() = default;

void CSkinFrame::InitWindow() {
  SetWindowLong(GWL_STYLE, GetWindowLong(GWL_STYLE) & ~(WS_CAPTION | WS_MAXIMIZEBOX));
  ApplyShadowAttributes();
}

void CSkinFrame::ApplyShadowAttributes() {
  const std::wstring* show = m_pm.GetWindowCustomAttribute(L"showshadow");
  if (!show || !EqualsIgnoreCase(*show, L"true")) return;
  m_shadow.AttachShadow(GetHWND());
  // Values the shadow refuses leave its defaults.
  if (const std::wstring* image = m_pm.GetWindowCustomAttribute(L"shadowimage")) {
    const std::wstring* corner = m_pm.GetWindowCustomAttribute(L"shadowcorner");
    const Rect rc = corner ? ParseRect(*corner) : Rect{};
    m_shadow.SetShadowImage(*image, rc, rc);
  }
  if (const std::wstring* v = m_pm.GetWindowCustomAttribute(L"shadowsize")) m_shadow.SetShadowSize(ParseInt(*v));
  if (const std::wstring* v = m_pm.GetWindowCustomAttribute(L"shadowsharpness")) m_shadow.SetShadowSharpness(ParseInt(*v));
  if (const std::wstring* v = m_pm.GetWindowCustomAttribute(L"shadowdarkness")) m_shadow.SetShadowDarkness(ParseInt(*v));
  if (const std::wstring* v = m_pm.GetWindowCustomAttribute(L"shadowposition")) {
    const Point p = ParsePoint(*v);
    m_shadow.SetShadowPosition(p.x, p.y);
  }
  if (const std::wstring* v = m_pm.GetWindowCustomAttribute(L"shadowcolor")) m_shadow.SetShadowColor(ParseHex(*v));
}

LRESULT CSkinFrame::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) {
  if (uMsg == WM_KEYDOWN && wParam == VK_ESCAPE) {
    bHandled = true;
    return 0;
  }
  return WindowBase::MessageHandler(uMsg, wParam, lParam, bHandled);
}

CControlUI* CSkinFrame::CreateControl(const std::wstring& className) { return CreateSequenceControl(className); }

}  // namespace SkinUI
