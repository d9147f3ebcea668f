#pragma once
// The installer's frame window: binds a window object to its layout in the skin package, applies
// the drop-shadow attributes of the layout's Window element, and keeps Esc from closing it.
//
//   class CMessageBoxWnd : public CSkinFrame { ... };
//   CMessageBoxWnd box(MakeFrameDescriptor(L"MessageBox2Wnd.xml"));

#include <string>

#include "ui/drop_shadow.h"
#include "ui/framework/window_base.h"

namespace SkinUI {

struct FrameDescriptor {
  int resourceType = UILIB_ZIPRESOURCE;  // 4: the packed skin resource
  int resourceId = 147;
  std::wstring skinFolder;
  std::wstring layoutFile;       // "MainWnd.xml"
  std::wstring windowClassName;  // "MainWnd"
};

// The descriptor of a layout of the built-in skin; the class name is the layout file name up to
// its first dot.
FrameDescriptor MakeFrameDescriptor(std::wstring_view layoutFile);

class CSkinFrame : public WindowBase {
 public:
  explicit CSkinFrame(const FrameDescriptor& descriptor);
  ~CSkinFrame() override;

  std::wstring GetWindowClassName() const override { return m_sWindowClassName; }
  std::wstring GetSkinFolder() override { return m_sSkinFolder; }
  std::wstring GetSkinFile() override { return m_sLayoutFile; }
  int GetResourceType() const override { return m_resourceType; }
  int GetResourceID() const override { return m_resourceId; }

  // Subclasses call it first from their own InitWindow.
  void InitWindow() override;
  // Esc is swallowed: a frame closes only through its own buttons.
  LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;
  // The installer's animation controls; subclasses may add their own.
  CControlUI* CreateControl(const std::wstring& className) override;

  CDropShadow& GetShadow() { return m_shadow; }

 private:
  void ApplyShadowAttributes();

  int m_resourceType;
  int m_resourceId;
  std::wstring m_sSkinFolder;
  std::wstring m_sLayoutFile;
  std::wstring m_sWindowClassName;
  CDropShadow m_shadow;
};

}  // namespace SkinUI
