#include "ui/framework/edit.h"

#include "ui/framework/attribute_values.h"
#include "ui/framework/host.h"
#include "ui/framework/paint_manager.h"

namespace SkinUI {
namespace {

// Control characters the keyboard produces with Ctrl held (as on Windows).
constexpr wchar_t kCtrlC = 0x03, kCtrlV = 0x16, kCtrlX = 0x18;

}  // namespace

CEditUI::CEditUI() { m_uTextStyle = DT_SINGLELINE | DT_VCENTER; }

std::wstring CEditUI::GetClass() const { return L"Edit"; }

void* CEditUI::GetInterface(std::wstring_view name) {
  if (name == L"Edit") return this;
  return CLabelUI::GetInterface(name);
}

void CEditUI::SetText(std::wstring_view text) {
  CLabelUI::SetText(text.substr(0, static_cast<size_t>(m_uMaxChar)));
  m_iCaret = static_cast<int>(m_sText.size());
}

void CEditUI::SetMaxChar(int max) {
  m_uMaxChar = max < 0 ? 0 : max;
  if (static_cast<int>(m_sText.size()) > m_uMaxChar) SetText(m_sText);
}

void CEditUI::SetReadOnly(bool readOnly) {
  m_bReadOnly = readOnly;
  Invalidate();
}

void CEditUI::SetPasswordMode(bool password) {
  m_bPasswordMode = password;
  Invalidate();
}

void CEditUI::Changed() {
  Invalidate();
  if (m_pManager) m_pManager->SendNotify(this, kNotifyTextChanged);
}

void CEditUI::Insert(std::wstring_view text) {
  if (m_bReadOnly) return;
  std::wstring clean;
  for (wchar_t c : text)
    if (c >= 0x20 && c != 0x7F) clean.push_back(c);  // one line: breaks and controls are dropped
  const size_t room = static_cast<size_t>(m_uMaxChar) > m_sText.size() ? m_uMaxChar - m_sText.size() : 0;
  clean.resize(std::min(clean.size(), room));
  if (clean.empty()) return;
  m_sText.insert(static_cast<size_t>(m_iCaret), clean);
  m_iCaret += static_cast<int>(clean.size());
  Changed();
}

void CEditUI::DoEvent(TEventUI& event) {
  Host* host = CurrentHost();
  switch (event.Type) {
    case EventType::SetFocus:
      m_iCaret = static_cast<int>(m_sText.size());
      m_uState |= UISTATE_FOCUSED;
      break;
    case EventType::KillFocus:
      m_uState &= ~UISTATE_FOCUSED;
      break;
    case EventType::MouseEnter:
      m_uState |= UISTATE_HOT;
      Invalidate();
      return;
    case EventType::MouseLeave:
      m_uState &= ~UISTATE_HOT;
      Invalidate();
      return;
    case EventType::ButtonDown:
    case EventType::ButtonUp:
    case EventType::DoubleClick:
    case EventType::MouseMove:
      return;  // FIXME: the caret goes to the end on focus; clicking does not place it in the text
    case EventType::Char:
      if (!IsEnabled()) return;
      if (event.chKey == kCtrlV) {
        if (host) Insert(host->GetClipboardText());
      } else if (event.chKey == kCtrlC || event.chKey == kCtrlX) {
        if (host && !m_bPasswordMode) host->SetClipboardText(m_sText);
        if (event.chKey == kCtrlX && !m_bReadOnly && !m_bPasswordMode && !m_sText.empty()) {
          m_sText.clear();
          m_iCaret = 0;
          Changed();
        }
      } else {
        Insert(std::wstring_view(&event.chKey, 1));
      }
      return;
    case EventType::KeyDown: {
      if (!IsEnabled()) return;
      const int length = static_cast<int>(m_sText.size());
      switch (event.chKey) {
        case VK_BACK:
          if (!m_bReadOnly && m_iCaret > 0) {
            m_sText.erase(static_cast<size_t>(--m_iCaret), 1);
            Changed();
          }
          return;
        case VK_DELETE:
          if (!m_bReadOnly && m_iCaret < length) {
            m_sText.erase(static_cast<size_t>(m_iCaret), 1);
            Changed();
          }
          return;
        case VK_LEFT: m_iCaret = std::max(0, m_iCaret - 1); Invalidate(); return;
        case VK_RIGHT: m_iCaret = std::min(length, m_iCaret + 1); Invalidate(); return;
        case VK_HOME: m_iCaret = 0; Invalidate(); return;
        case VK_END: m_iCaret = length; Invalidate(); return;
        case VK_RETURN:
          if (m_pManager) m_pManager->SendNotify(this, kNotifyReturn);
          return;
        default:
          break;
      }
      break;
    }
    default:
      break;
  }
  CLabelUI::DoEvent(event);
}

bool CEditUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (name == L"readonly") SetReadOnly(ParseBool(value));
  else if (name == L"password") SetPasswordMode(ParseBool(value));
  else if (name == L"passwordchar") m_cPasswordChar = value.empty() ? L'*' : value.front();
  else if (name == L"maxchar") SetMaxChar(ParseInt(value, 255));
  else if (name == L"nativebkcolor") m_dwNativeBkColor = ParseColor(value);
  else if (name == L"normalimage") m_sNormalImage = value;
  else if (name == L"hotimage") m_sHotImage = value;
  else if (name == L"focusedimage") m_sFocusedImage = value;
  else if (name == L"disabledimage") m_sDisabledImage = value;
  else return CLabelUI::SetAttribute(name, value);
  return true;
}

void CEditUI::PaintStatusImage(Canvas& canvas) {
  const std::wstring* image = &m_sNormalImage;
  if (!IsEnabled() && !m_sDisabledImage.empty()) image = &m_sDisabledImage;
  else if (IsFocused() && !m_sFocusedImage.empty()) image = &m_sFocusedImage;
  else if ((m_uState & UISTATE_HOT) && !m_sHotImage.empty()) image = &m_sHotImage;
  if (!image->empty() && !DrawImage(canvas, *image) && image != &m_sNormalImage && !m_sNormalImage.empty())
    DrawImage(canvas, m_sNormalImage);
}

std::wstring CEditUI::ShownText() const {
  return m_bPasswordMode ? std::wstring(m_sText.size(), m_cPasswordChar) : m_sText;
}

void CEditUI::PaintText(Canvas& canvas) {
  if (!m_pManager) return;
  const Rect area = m_rcItem.Deflate(m_rcTextPadding);
  const std::wstring shown = ShownText();
  DrawLabelText(canvas, shown, EffectiveTextColor(m_dwTextColor), area);
  if (!IsFocused() || m_bReadOnly) return;
  // The caret: a one-pixel line after the text before it.
  const Size before = m_pManager->MeasureText(std::wstring_view(shown).substr(0, static_cast<size_t>(m_iCaret)),
                                              m_iFont, m_uTextStyle & ~DT_END_ELLIPSIS);
  const int lineHeight = m_pManager->MeasureText(L"|", m_iFont, m_uTextStyle).cy;
  const int top = area.top + std::max(0, (area.Height() - lineHeight) / 2);
  const int x = std::min(area.left + before.cx, area.right - 1);
  canvas.FillRect({x, top, x + 1, std::min(area.bottom, top + lineHeight)}, EffectiveTextColor(m_dwTextColor));
}

}  // namespace SkinUI
