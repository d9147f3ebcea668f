#include "ui/framework/headless/headless_host.h"

#include "app/log.h"
#include "platform/file.h"
#include "ui/framework/cairo_canvas.h"
#include "ui/framework/font.h"
#include "ui/framework/message_queue.h"
#include "ui/framework/window_registry.h"

namespace SkinUI {
namespace {

struct TextCollector {
  std::vector<std::wstring> texts;
};

}  // namespace

HeadlessHost::HeadlessHost(Rect screen) : previous_(CurrentHost()), screen_(screen) {
  InitializeFonts();
  SetCurrentHost(this);
}

HeadlessHost::~HeadlessHost() {
  // Windows still open are the test's business; what is queued for them is not kept.
  MessageQueue::ForCurrentThread().Clear();
  SetCurrentHost(previous_);
}

void HeadlessHost::Pump() {
  if (!inIdleAction_) PumpPendingMessages();
}

void HeadlessHost::AdvanceTime(uint64_t ms) {
  const uint64_t target = clock_.NowMs() + ms;
  Pump();
  MessageQueue& queue = MessageQueue::ForCurrentThread();
  for (std::optional<uint64_t> next = queue.NextTimerDue(); next && *next <= target; next = queue.NextTimerDue()) {
    if (*next > clock_.NowMs()) clock_.Set(*next);
    Pump();
  }
  clock_.Set(target);
  Pump();
}

void HeadlessHost::Post(WindowBase& window, UINT message, WPARAM wParam, LPARAM lParam) {
  SkinUI::PostMessage(window.GetHWND(), message, wParam, lParam);
}

bool HeadlessHost::MoveMouse(WindowBase& window, Point client) {
  if (!window.GetHWND()) return false;
  Post(window, WM_MOUSEMOVE, 0, MAKELPARAM(client.x, client.y));
  Pump();
  return true;
}

bool HeadlessHost::ClickAt(WindowBase& window, Point client) {
  if (!window.GetHWND()) return false;
  const LPARAM at = MAKELPARAM(client.x, client.y);
  Post(window, WM_MOUSEMOVE, 0, at);
  Post(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
  Post(window, WM_LBUTTONUP, 0, at);
  Pump();
  return true;
}

bool HeadlessHost::Click(WindowBase& window, std::wstring_view name) {
  PaintManager& pm = window.GetPaintManager();
  pm.UpdateLayout();
  CControlUI* control = pm.FindControl(name);
  if (!control || !control->IsVisible() || control->GetPos().IsEmpty()) return false;
  const Rect& rc = control->GetPos();
  return ClickAt(window, {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2});
}

void HeadlessHost::PressKey(WindowBase& window, UINT virtualKey) {
  if (!window.GetHWND()) return;
  Post(window, WM_KEYDOWN, virtualKey, 0);
  Post(window, WM_KEYUP, virtualKey, 0);
  Pump();
}

bool HeadlessHost::TypeText(WindowBase& window, std::wstring_view name, std::wstring_view text) {
  if (!Click(window, name)) return false;
  for (wchar_t c : text) Post(window, WM_CHAR, static_cast<WPARAM>(c), 0);
  Pump();
  return true;
}

void HeadlessHost::WhenIdle(std::function<void()> action) { idle_.push_back(std::move(action)); }

Bitmap HeadlessHost::Render(WindowBase& window) {
  const HWND hwnd = window.GetHWND();
  const Size size = window.GetClientSize();
  Bitmap out(size.cx, size.cy);
  if (!hwnd || out.Empty()) return out;
  {
    CairoCanvas canvas(out);
    window.Paint(canvas, {0, 0, size.cx, size.cy});
  }
  const auto it = windows_.find(hwnd);
  if (it != windows_.end()) {
    NativeWindow& native = it->second;
    ++native.renders;
    native.dirty = false;
    // What lies outside the window's shape is not part of the window.
    if (!native.region.IsEmpty()) {
      for (int y = 0; y < out.height; ++y) {
        const auto [start, end] = y < native.region.Height() ? native.region.Row(y) : std::make_pair(0, 0);
        for (int x = 0; x < out.width; ++x)
          if (x < start || x >= end) out.At(x, y) = 0;
      }
    }
  }
  return out;
}

bool HeadlessHost::SavePng(WindowBase& window, const std::wstring& path) {
  const Bitmap shown = Render(window);
  if (shown.Empty()) return false;
  return Platform::WriteFileAtomically(path, EncodePng(shown));
}

std::vector<std::wstring> HeadlessHost::VisibleTexts(WindowBase& window) {
  TextCollector collector;
  CControlUI* root = window.GetPaintManager().GetRoot();
  if (!root) return {};
  root->FindFirst(
      [](CControlUI* c, void* context) {
        if (c->IsVisible()) {
          const std::wstring text = c->GetText();
          if (!text.empty()) static_cast<TextCollector*>(context)->texts.push_back(text);
        }
        return false;
      },
      &collector);
  return collector.texts;
}

WindowBase* HeadlessHost::FindWindow(std::wstring_view className) {
  const std::vector<HWND> windows = ThreadWindows();
  for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
    WindowBase* w = WindowFromHandle(*it);
    if (w && w->GetWindowClassName() == className) return w;
  }
  return nullptr;
}

int HeadlessHost::RenderCount(HWND hwnd) const {
  const auto it = windows_.find(hwnd);
  return it == windows_.end() ? 0 : it->second.renders;
}

bool HeadlessHost::NeedsRepaint(HWND hwnd) const {
  const auto it = windows_.find(hwnd);
  return it != windows_.end() && it->second.dirty;
}

bool HeadlessHost::IsNativeModal(HWND hwnd) const {
  const auto it = windows_.find(hwnd);
  return it != windows_.end() && it->second.modal;
}

Rect HeadlessHost::NativeRect(HWND hwnd) const {
  const auto it = windows_.find(hwnd);
  return it == windows_.end() ? Rect{} : it->second.rect;
}

const WindowRegion* HeadlessHost::NativeRegion(HWND hwnd) const {
  const auto it = windows_.find(hwnd);
  return it == windows_.end() ? nullptr : &it->second.region;
}

bool HeadlessHost::IsShownNatively(HWND hwnd) const {
  const auto it = windows_.find(hwnd);
  if (it == windows_.end() || !it->second.visible) return false;
  return !it->second.layered || (compositing_ && !it->second.picture.Empty());
}

const Bitmap* HeadlessHost::LayeredPicture(HWND hwnd) const {
  const auto it = windows_.find(hwnd);
  return it != windows_.end() && it->second.layered ? &it->second.picture : nullptr;
}

int HeadlessHost::LayeredUpdateCount(HWND hwnd) const {
  const auto it = windows_.find(hwnd);
  return it == windows_.end() ? 0 : it->second.pictureUpdates;
}

bool HeadlessHost::CreateLayeredWindow(HWND hwnd, HWND) {
  if (!layeredSupported_) return false;
  NativeWindow native;
  native.layered = true;
  windows_[hwnd] = std::move(native);
  return true;
}

void HeadlessHost::UpdateLayeredWindow(HWND hwnd, const Rect& screen, const Bitmap& picture) {
  const auto it = windows_.find(hwnd);
  if (it == windows_.end() || !it->second.layered) return;
  it->second.rect = screen;
  it->second.picture = picture;
  ++it->second.pictureUpdates;
}

bool HeadlessHost::CreateNativeWindow(HWND hwnd, HWND, const std::wstring&) {
  windows_[hwnd] = NativeWindow{};
  return true;
}

void HeadlessHost::DestroyNativeWindow(HWND hwnd) { windows_.erase(hwnd); }

void HeadlessHost::ShowNativeWindow(HWND hwnd, bool show, bool) {
  if (auto it = windows_.find(hwnd); it != windows_.end()) it->second.visible = show;
}

void HeadlessHost::SetNativeWindowRect(HWND hwnd, const Rect& screen) {
  if (auto it = windows_.find(hwnd); it != windows_.end()) it->second.rect = screen;
}

void HeadlessHost::SetNativeWindowRegion(HWND hwnd, const WindowRegion& region) {
  if (auto it = windows_.find(hwnd); it != windows_.end()) it->second.region = region;
}

void HeadlessHost::SetNativeModal(HWND hwnd, bool modal) {
  if (auto it = windows_.find(hwnd); it != windows_.end()) it->second.modal = modal;
}

void HeadlessHost::InvalidateNativeWindow(HWND hwnd, const Rect&) {
  if (auto it = windows_.find(hwnd); it != windows_.end()) it->second.dirty = true;
}

void HeadlessHost::MinimizeNativeWindow(HWND) {}
void HeadlessHost::BringNativeWindowToFront(HWND) {}

Rect HeadlessHost::GetWorkArea(const Rect&) { return screen_; }

void HeadlessHost::WaitForEvents(MessageQueue& queue, std::optional<uint32_t> timeoutMs) {
  if (queue.HasPostedMessages()) return;
  if (!idle_.empty()) {
    std::function<void()> action = std::move(idle_.front());
    idle_.pop_front();
    inIdleAction_ = true;
    action();
    inIdleAction_ = false;
    return;
  }
  if (timeoutMs && autoAdvance_) {
    clock_.Advance(*timeoutMs);
    return;
  }
  // Only another thread can still post something.
  if (queue.WaitForPost(stallLimitMs_)) return;
  WRITE_LOG(L"nothing happened for %u ms: ending the message loops\r\n", stallLimitMs_);
  queue.PostQuit(kStalled);
}

void HeadlessHost::Wake() {
  // Waiting happens on the queue's own condition, which posting signals.
}

std::optional<std::wstring> HeadlessHost::BrowseForFolder(HWND, const std::wstring& title) {
  lastPickerTitle_ = title;
  return folderToPick_;
}

}  // namespace SkinUI
