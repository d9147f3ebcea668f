#pragma once
// Builds a control tree from an XML layout (pugixml). The root element is Window; its
// attributes size, caption, roundcorner, mininfo, maxinfo, defaultfontcolor and
// disabledfontcolor configure the paint manager, and every other attribute is kept as a custom
// attribute for the window's code. Font elements (id, name, size, bold, underline, italic,
// default) and Default elements (name, value: an attribute list for a class) come first; the
// first control element is the root control.
//
// Every element asks the callback first, so a window can add its own controls; otherwise the
// framework builds Control, Container, VerticalLayout, HorizontalLayout, TabLayout, Label, Text,
// Button, Option, CheckBox, Edit, Progress, Combo and ListLabelElement. Unknown elements and
// attributes are reported in the manager's build warnings and skipped.

#include <string_view>

#include "ui/framework/control.h"
#include "ui/framework/events.h"

namespace SkinUI {

class PaintManager;

class DialogBuilder {
 public:
  // Builds the layout file `layoutFile` of the window's resources. Null when the file is
  // missing, is not XML or holds no control.
  CControlUI* Create(std::wstring_view layoutFile, IDialogBuilderCallback* callback, PaintManager* manager);
  // Builds from XML text (UTF-8 unless it declares otherwise).
  CControlUI* CreateFromText(std::string_view xml, IDialogBuilderCallback* callback, PaintManager* manager);
};

// Applies an attribute list ("name=\"value\" name2=\"value2\"") to `control`.
void ApplyAttributeList(CControlUI* control, std::wstring_view list, PaintManager* manager);

}  // namespace SkinUI
