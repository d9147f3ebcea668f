// quorvane-skin-render <layout> <out.png> [--select name=value]... [--after ms]
//
// Builds a layout of the built-in skin with the headless host and writes what its window shows,
// so a skin can be reviewed without running the installer. --select picks a page of a tab layout
// ("mainTabLt=2"), an item of a combo box, the state of a check box or option ("true"/"false")
// or the value of a progress bar; it may be given several times and applies in order.
//
// Exit codes: 0 written, 1 usage, 2 the layout or a named control is missing or refuses the
// value, 3 the image could not be written.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "ui/framework/attribute_values.h"
#include "ui/framework/combo.h"
#include "ui/framework/font.h"
#include "ui/framework/headless/headless_host.h"
#include "ui/framework/option.h"
#include "ui/framework/progress.h"
#include "ui/framework/tab_layout.h"
#include "ui/skin_frame.h"

namespace {

using namespace SkinUI;

class RenderedFrame : public CSkinFrame {
 public:
  explicit RenderedFrame(std::wstring_view layout) : CSkinFrame(MakeFrameDescriptor(layout)) {}
};

int Usage() {
  std::fprintf(stderr, "usage: quorvane-skin-render <layout> <out.png> [--select name=value]... [--after ms]\n");
  return 1;
}

bool IsNumber(std::wstring_view text) {
  return !text.empty() && text.find_first_not_of(L"-0123456789") == std::wstring_view::npos;
}

// Applies one name=value; an error message when it cannot.
std::string Select(PaintManager& pm, std::wstring_view name, std::wstring_view value) {
  CControlUI* control = pm.FindControl(name);
  if (!control) return "no control named " + Platform::WideToUtf8(name);
  if (auto* tab = dynamic_cast<CTabLayoutUI*>(control)) {
    if (IsNumber(value) && tab->SelectItem(ParseInt(value))) return {};
    return "tab layout " + Platform::WideToUtf8(name) + " has no page " + Platform::WideToUtf8(value);
  }
  if (auto* combo = dynamic_cast<CComboUI*>(control)) {
    if (IsNumber(value) && combo->SelectItem(ParseInt(value))) return {};
    return "combo box " + Platform::WideToUtf8(name) + " has no item " + Platform::WideToUtf8(value);
  }
  if (auto* option = dynamic_cast<COptionUI*>(control)) {
    if (value != L"true" && value != L"false") return "check box values are true or false";
    option->Selected(value == L"true");
    return {};
  }
  if (auto* progress = dynamic_cast<CProgressUI*>(control)) {
    if (!IsNumber(value)) return "progress values are numbers";
    progress->SetValue(ParseInt(value));
    return {};
  }
  return Platform::WideToUtf8(name) + " (" + Platform::WideToUtf8(control->GetClass()) + ") cannot be selected";
}

int RenderLayout(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::wstring layout = Platform::AnsiToWide(argv[1]);
  const std::wstring out = Platform::AnsiToWide(argv[2]);
  std::vector<std::pair<std::wstring, std::wstring>> selects;
  long afterMs = 0;
  for (int i = 3; i < argc; ++i) {
    const std::string arg = argv[i];
    std::string pair;
    if (arg == "--after" && i + 1 < argc) {
      char* end = nullptr;
      afterMs = std::strtol(argv[++i], &end, 10);
      if (*end != '\0' || afterMs < 0 || afterMs > 3600000) return Usage();
      continue;
    }
    if (arg == "--select" && i + 1 < argc) pair = argv[++i];
    else if (arg.rfind("--select=", 0) == 0) pair = arg.substr(9);
    else return Usage();
    const size_t eq = pair.find('=');
    if (eq == std::string::npos || eq == 0) return Usage();
    selects.emplace_back(Platform::AnsiToWide(pair.substr(0, eq)), Platform::AnsiToWide(pair.substr(eq + 1)));
  }

  HeadlessHost host;
  RenderedFrame frame(layout);
  if (!frame.Create(nullptr, L"Quorvane", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0) || !frame.GetPaintManager().GetRoot()) {
    std::fprintf(stderr, "quorvane-skin-render: layout %s is not in the skin\n", argv[1]);
    return 2;
  }
  for (const std::wstring& warning : frame.GetPaintManager().GetBuildWarnings())
    std::fprintf(stderr, "quorvane-skin-render: %s\n", Platform::WideToUtf8(warning).c_str());
  for (const auto& [name, value] : selects) {
    const std::string error = Select(frame.GetPaintManager(), name, value);
    if (!error.empty()) {
      std::fprintf(stderr, "quorvane-skin-render: %s\n", error.c_str());
      return 2;
    }
    host.Pump();
  }
  host.AdvanceTime(static_cast<uint64_t>(afterMs));
  if (!host.SavePng(frame, out)) {
    std::fprintf(stderr, "quorvane-skin-render: cannot write %s\n", argv[2]);
    return 3;
  }
  const Size size = frame.GetClientSize();
  std::printf("%s: %dx%d\n", argv[2], size.cx, size.cy);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const int code = RenderLayout(argc, argv);
  // The host and the window are gone by now; the text caches go last.
  SkinUI::ReleaseFontCaches();
  return code;
}
