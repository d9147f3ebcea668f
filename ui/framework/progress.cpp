#include "ui/framework/progress.h"

#include "ui/framework/attribute_values.h"
#include "ui/framework/paint_manager.h"

namespace SkinUI {

CProgressUI::CProgressUI() { m_uTextStyle = DT_SINGLELINE | DT_CENTER | DT_VCENTER; }

std::wstring CProgressUI::GetClass() const { return L"Progress"; }

void* CProgressUI::GetInterface(std::wstring_view name) {
  if (name == L"Progress") return this;
  return CLabelUI::GetInterface(name);
}

void CProgressUI::SetMinValue(int min) { m_nMin = min; Invalidate(); }
void CProgressUI::SetMaxValue(int max) { m_nMax = max; Invalidate(); }

void CProgressUI::SetValue(int value) {
  if (value == m_nValue) return;
  m_nValue = value;
  Invalidate();
}

void CProgressUI::SetForeImage(std::wstring_view image) {
  if (m_sForeImage == image) return;
  m_sForeImage = image;
  Invalidate();
}

bool CProgressUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (name == L"foreimage") SetForeImage(value);
  else if (name == L"hor") m_bHorizontal = ParseBool(value);
  else if (name == L"min") SetMinValue(ParseInt(value));
  else if (name == L"max") SetMaxValue(ParseInt(value));
  else if (name == L"value") SetValue(ParseInt(value));
  else if (name == L"isstretchfore") m_bStretchForeImage = ParseBool(value);
  else return CLabelUI::SetAttribute(name, value);
  return true;
}

Rect CProgressUI::FilledRect() const {
  // Values outside the range draw as empty or full rather than outside the bar.
  if (m_nMax <= m_nMin) return {};
  const double fraction = std::clamp(double(m_nValue - m_nMin) / double(m_nMax - m_nMin), 0.0, 1.0);
  Rect rc = m_rcItem;
  if (m_bHorizontal) rc.right = rc.left + static_cast<int>(m_rcItem.Width() * fraction);
  else rc.top = rc.bottom - static_cast<int>(m_rcItem.Height() * fraction);
  return rc;
}

void CProgressUI::PaintStatusImage(Canvas& canvas) {
  const Rect filled = FilledRect();
  if (m_sForeImage.empty() || filled.IsEmpty() || !m_pManager) return;
  ImageAttribute image = ParseImageAttribute(m_sForeImage);
  const std::shared_ptr<const Bitmap> bitmap = m_pManager->GetImage(image.file);
  if (!bitmap) return;
  const Rect whole = image.source ? *image.source : Rect{0, 0, bitmap->width, bitmap->height};
  Rect source = whole;
  if (!m_bStretchForeImage) {
    // The image keeps its scale: only as much of it as the filled part is wide (or high).
    if (m_bHorizontal) source.right = std::min(whole.right, whole.left + filled.Width());
    else source.top = std::max(whole.top, whole.bottom - filled.Height());
  }
  canvas.DrawBitmap(*bitmap, filled, source, image.corner, image.fade, image.hole, image.xtiled, image.ytiled);
}

}  // namespace SkinUI
