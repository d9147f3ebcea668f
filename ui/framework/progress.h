#pragma once
// A progress bar: a value between min and max fills the bar with the fore image from the left
// (or from the bottom when vertical). A stretched fore image is scaled into the filled part; an
// unstretched one shows the matching part of the image, unscaled.

#include "ui/framework/label.h"

namespace SkinUI {

class CProgressUI : public CLabelUI {
 public:
  CProgressUI();
  std::wstring GetClass() const override;
  void* GetInterface(std::wstring_view name) override;

  int GetMinValue() const { return m_nMin; }
  void SetMinValue(int min);
  int GetMaxValue() const { return m_nMax; }
  void SetMaxValue(int max);
  int GetValue() const { return m_nValue; }
  void SetValue(int value);
  const std::wstring& GetForeImage() const { return m_sForeImage; }
  void SetForeImage(std::wstring_view image);
  bool IsHorizontal() const { return m_bHorizontal; }
  bool IsStretchForeImage() const { return m_bStretchForeImage; }
  // The filled part in window pixels at the current value.
  Rect FilledRect() const;

  bool SetAttribute(std::wstring_view name, std::wstring_view value) override;
  void PaintStatusImage(Canvas& canvas) override;

 private:
  int m_nMin = 0;
  int m_nMax = 100;
  int m_nValue = 0;
  bool m_bHorizontal = true;
  bool m_bStretchForeImage = true;
  std::wstring m_sForeImage;
};

}  // namespace SkinUI
