#include "ui/framework/dialog_builder.h"

#include <pugixml.hpp>

#include <cwctype>
#include <limits>
#include <memory>

#include "platform/codepage.h"
#include "ui/framework/attribute_values.h"
#include "ui/framework/button.h"
#include "ui/framework/combo.h"
#include "ui/framework/container.h"
#include "ui/framework/edit.h"
#include "ui/framework/label.h"
#include "ui/framework/layouts.h"
#include "ui/framework/option.h"
#include "ui/framework/paint_manager.h"
#include "ui/framework/progress.h"
#include "ui/framework/resources.h"
#include "ui/framework/tab_layout.h"

namespace SkinUI {
namespace {

std::wstring Wide(const char* utf8) { return Platform::Utf8ToWide(utf8 ? utf8 : ""); }

// The framework's own controls by layout element name.
CControlUI* CreateBuiltinControl(std::wstring_view name) {
  if (name == L"Control") return new CControlUI;
  if (name == L"Container") return new CContainerUI;
  if (name == L"VerticalLayout") return new CVerticalLayoutUI;
  if (name == L"HorizontalLayout") return new CHorizontalLayoutUI;
  if (name == L"TabLayout") return new CTabLayoutUI;
  if (name == L"Label" || name == L"Text") return new CLabelUI;
  if (name == L"Button") return new CButtonUI;
  if (name == L"Option") return new COptionUI;
  if (name == L"CheckBox") return new CCheckBoxUI;
  if (name == L"Edit") return new CEditUI;
  if (name == L"Progress") return new CProgressUI;
  if (name == L"Combo") return new CComboUI;
  if (name == L"ListLabelElement") return new CListLabelElementUI;
  return nullptr;
}

class Builder {
 public:
  Builder(IDialogBuilderCallback* callback, PaintManager* manager) : callback_(callback), manager_(manager) {}

  CControlUI* Build(const pugi::xml_document& doc) {
    pugi::xml_node root = doc.document_element();
    if (!root) return nullptr;
    if (std::string_view(root.name()) != "Window") return BuildControl(root);
    ApplyWindowAttributes(root);
    CControlUI* rootControl = nullptr;
    for (pugi::xml_node child : root.children()) {
      if (child.type() != pugi::node_element) continue;
      const std::string_view name = child.name();
      if (name == "Font") AddFont(child);
      else if (name == "Default") AddDefault(child);
      else if (!rootControl) rootControl = BuildControl(child);
      else Warn(L"layout: only the first control under Window is used; <" + Wide(child.name()) + L"> skipped");
    }
    return rootControl;
  }

 private:
  void Warn(std::wstring text) {
    if (manager_) manager_->AddBuildWarning(std::move(text));
  }

  void ApplyWindowAttributes(pugi::xml_node window) {
    if (!manager_) return;
    for (pugi::xml_attribute a : window.attributes()) {
      const std::string_view name = a.name();
      const std::wstring value = Wide(a.value());
      if (name == "size") {
        const Size s = ParseSize(value);
        manager_->SetInitSize(s.cx, s.cy);
      } else if (name == "caption") {
        manager_->SetCaptionRect(ParseRect(value));
      } else if (name == "roundcorner") {
        const Size s = ParseSize(value);
        manager_->SetRoundCorner(s.cx, s.cy);
      } else if (name == "mininfo") {
        const Size s = ParseSize(value);
        manager_->SetMinInfo(s.cx, s.cy);
      } else if (name == "maxinfo") {
        const Size s = ParseSize(value);
        manager_->SetMaxInfo(s.cx, s.cy);
      } else if (name == "defaultfontcolor") {
        manager_->SetDefaultFontColor(ParseColor(value));
      } else if (name == "disabledfontcolor") {
        manager_->SetDefaultDisabledColor(ParseColor(value));
      } else {
        manager_->AddWindowCustomAttribute(Wide(a.name()), value);
      }
    }
  }

  void AddFont(pugi::xml_node node) {
    if (!manager_) return;
    FontInfo font;
    font.face = Wide(node.attribute("name").value());
    font.size = ParseInt(Wide(node.attribute("size").value()), 12);
    font.bold = ParseBool(Wide(node.attribute("bold").value()));
    font.underline = ParseBool(Wide(node.attribute("underline").value()));
    font.italic = ParseBool(Wide(node.attribute("italic").value()));
    // Fonts without an id are numbered in the order they are written. Ids are clamped to int, and
    // past the largest there is no next one: a later font without an id takes that one again.
    const int id = node.attribute("id") ? ParseInt(Wide(node.attribute("id").value())) : nextFontId_;
    nextFontId_ = id < std::numeric_limits<int>::max() ? id + 1 : id;
    manager_->AddFont(id, font, ParseBool(Wide(node.attribute("default").value())));
  }

  void AddDefault(pugi::xml_node node) {
    if (manager_) manager_->AddDefaultAttributeList(Wide(node.attribute("name").value()), Wide(node.attribute("value").value()));
  }

  CControlUI* Create(const std::wstring& className) {
    CControlUI* control = callback_ ? callback_->CreateControl(className) : nullptr;
    return control ? control : CreateBuiltinControl(className);
  }

  CControlUI* BuildControl(pugi::xml_node node) {
    const std::wstring className = Wide(node.name());
    CControlUI* control = Create(className);
    if (!control) {
      Warn(L"layout: unknown element <" + className + L">");
      return nullptr;
    }
    std::unique_ptr<CControlUI> owned(control);
    if (const std::wstring* defaults = manager_ ? manager_->GetDefaultAttributeList(className) : nullptr)
      ApplyAttributeList(control, *defaults, manager_);
    for (pugi::xml_attribute a : node.attributes()) {
      const std::wstring name = Wide(a.name());
      if (!control->SetAttribute(name, Wide(a.value())))
        Warn(L"layout: <" + className + L"> has no attribute \"" + name + L"\"");
    }
    auto* container = dynamic_cast<CContainerUI*>(control);
    for (pugi::xml_node child : node.children()) {
      if (child.type() != pugi::node_element) continue;
      if (!container) {
        Warn(L"layout: <" + className + L"> holds no controls; <" + Wide(child.name()) + L"> skipped");
        continue;
      }
      if (CControlUI* item = BuildControl(child)) container->Add(item);
    }
    return owned.release();
  }

  IDialogBuilderCallback* callback_;
  PaintManager* manager_;
  int nextFontId_ = 0;
};

}  // namespace

CControlUI* DialogBuilder::Create(std::wstring_view layoutFile, IDialogBuilderCallback* callback, PaintManager* manager) {
  const std::optional<std::string> xml =
      manager ? manager->LoadFile(layoutFile) : Resources::ReadFile(Resources::DefaultSource(), layoutFile);
  if (!xml) {
    if (manager) manager->AddBuildWarning(L"layout: " + std::wstring(layoutFile) + L" not found");
    return nullptr;
  }
  return CreateFromText(*xml, callback, manager);
}

CControlUI* DialogBuilder::CreateFromText(std::string_view xml, IDialogBuilderCallback* callback, PaintManager* manager) {
  pugi::xml_document doc;
  const pugi::xml_parse_result parsed = doc.load_buffer(xml.data(), xml.size(), pugi::parse_default, pugi::encoding_auto);
  if (!parsed) {
    if (manager) manager->AddBuildWarning(L"layout: not readable XML (" + Wide(parsed.description()) + L")");
    return nullptr;
  }
  return Builder(callback, manager).Build(doc);
}

void ApplyAttributeList(CControlUI* control, std::wstring_view list, PaintManager* manager) {
  size_t pos = 0;
  while (pos < list.size()) {
    while (pos < list.size() && std::iswspace(list[pos])) ++pos;
    const size_t nameStart = pos;
    while (pos < list.size() && list[pos] != L'=' && !std::iswspace(list[pos])) ++pos;
    const std::wstring name(list.substr(nameStart, pos - nameStart));
    while (pos < list.size() && std::iswspace(list[pos])) ++pos;
    if (name.empty() || pos >= list.size() || list[pos] != L'=') break;
    ++pos;
    while (pos < list.size() && std::iswspace(list[pos])) ++pos;
    if (pos >= list.size() || list[pos] != L'"') break;
    const size_t valueStart = ++pos;
    while (pos < list.size() && list[pos] != L'"') ++pos;
    const std::wstring value(list.substr(valueStart, pos - valueStart));
    if (pos < list.size()) ++pos;
    if (!control->SetAttribute(name, value) && manager)
      manager->AddBuildWarning(L"layout: <" + control->GetClass() + L"> has no attribute \"" + name + L"\"");
  }
}

}  // namespace SkinUI
