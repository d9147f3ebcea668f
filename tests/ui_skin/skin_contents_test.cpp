// What the built-in skin holds: the exact file list with the image sizes the windows are laid out
// for, the archive's format, and layouts that name only images that exist and carry the controls,
// texts and window attributes the installer's windows rely on.

#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "tests/ui_skin/skin_archive.h"
#include "ui/framework/resource_package.h"

namespace {

using SkinUI::ResourcePackage;

const char* const kLayouts[] = {"mainWnd.xml",        "exitTipWnd.xml",     "InstalledPathTipWnd.xml",
                                "NetworkTipWnd.xml",  "MessageBox1Wnd.xml", "MessageBox2Wnd.xml"};

struct ImageSpec {
  int width;
  int height;
};

// Every image the skin must hold, by path.
std::map<std::string, ImageSpec> ExpectedImages() {
  struct Group {
    const char* stem;
    int first, last;  // numbered stem1..stemN; last 0 for a single file
    ImageSpec size;
  } groups[] = {
      {"res/common/closebtn", 1, 3, {24, 24}},      {"res/common/closebtnM_", 1, 3, {24, 24}},
      {"res/common/minbtn", 1, 3, {24, 24}},        {"res/MessageBoxWnd/icoNetwork", 0, 0, {40, 40}},
      {"res/MessageBoxWnd/icoQuest", 0, 0, {40, 40}}, {"res/MessageBoxWnd/icoWarn", 0, 0, {40, 40}},
      {"res/mainWnd/bg", 1, 4, {600, 400}},         {"res/mainWnd/logo", 0, 0, {230, 58}},
      {"res/mainWnd/installBtn", 1, 3, {200, 46}},  {"res/mainWnd/experienceBtn", 1, 3, {200, 46}},
      {"res/mainWnd/chDirBtn", 1, 3, {81, 36}},     {"res/mainWnd/backBtn", 1, 3, {64, 30}},
      {"res/mainWnd/customeBtn", 1, 2, {16, 16}},   {"res/mainWnd/Cb", 1, 2, {15, 14}},
      {"res/mainWnd/installDirEdit", 0, 0, {340, 36}}, {"res/mainWnd/installPrg1", 0, 0, {410, 8}},
      {"res/mainWnd/installPrg2", 0, 0, {520, 8}},  {"res/mainWnd/tipLbl", 0, 0, {120, 36}},
      {"res/mainWnd/finished", 0, 0, {80, 80}},
  };
  std::map<std::string, ImageSpec> out;
  for (const Group& g : groups) {
    if (g.last == 0) {
      out[std::string(g.stem) + ".png"] = g.size;
    } else {
      for (int i = g.first; i <= g.last; ++i) out[g.stem + std::to_string(i) + ".png"] = g.size;
    }
  }
  for (int i = 0; i < 59; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "res/mainWnd/installBtnAnimate/%03d.png", i);
    out[name] = {156, 154};
  }
  return out;
}

class SkinContentsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    package_ = new ResourcePackage;
    const std::string_view archive = SkinTest::EmbeddedArchive();
    ASSERT_TRUE(package_->Open(archive.data(), archive.size()));
  }
  static void TearDownTestSuite() { delete package_; }

  static pugi::xml_document Layout(const char* name) {
    pugi::xml_document doc;
    const std::string_view bytes = *package_->Data(Platform::Utf8ToWide(name));
    const pugi::xml_parse_result parsed = doc.load_buffer(bytes.data(), bytes.size());
    EXPECT_TRUE(parsed) << name << ": " << parsed.description() << " at " << parsed.offset;
    return doc;
  }

  static ResourcePackage* package_;
};
ResourcePackage* SkinContentsTest::package_ = nullptr;

TEST_F(SkinContentsTest, HoldsExactlyTheLayoutsAndImagesAtTheirSizes) {
  std::map<std::string, ImageSpec> expected = ExpectedImages();
  ASSERT_EQ(expected.size(), 97u);
  std::set<std::string> layouts(std::begin(kLayouts), std::end(kLayouts));

  std::set<std::string> seen;
  int lastIndex = -1;
  for (const ResourcePackage::Entry& e : package_->Entries()) {
    const std::string name = Platform::WideToUtf8(e.name);
    EXPECT_TRUE(seen.insert(name).second) << "twice: " << name;
    lastIndex = std::max(lastIndex, e.index);
    if (layouts.count(name) || name == "language.json") continue;
    auto it = expected.find(name);
    if (it == expected.end()) {
      ADD_FAILURE() << "not part of the skin: " << name;
      continue;
    }
    const auto png = SkinTest::ReadPngHeader(e.data);
    ASSERT_TRUE(png) << name;
    EXPECT_EQ(png->width, static_cast<uint32_t>(it->second.width)) << name;
    EXPECT_EQ(png->height, static_cast<uint32_t>(it->second.height)) << name;
    EXPECT_EQ(png->colourType, 6) << name << " has no alpha channel";
  }
  for (const auto& [path, size] : expected) EXPECT_TRUE(seen.count(path)) << "missing: " << path;
  for (const char* layout : kLayouts) EXPECT_TRUE(seen.count(layout)) << "missing: " << layout;
  EXPECT_TRUE(seen.count("language.json")) << "missing: language.json";
  // The 97 images and 6 layouts, and the language texts added beside them.
  EXPECT_EQ(package_->Entries().size(), 104u);
  // Items that are not files are the folders: res, res/common, res/MessageBoxWnd, res/mainWnd
  // and res/mainWnd/installBtnAnimate.
  EXPECT_EQ(lastIndex + 1 - static_cast<int>(package_->Entries().size()), 5);
}

// 7-Zip's notation for a dictionary: "1536k", "3m", or a bare power of two ("19" is 512 KiB).
uint64_t DictionaryBytes(const std::string& text) {
  size_t digits = 0;
  const unsigned long long n = std::stoull(text, &digits);
  const char unit = digits < text.size() ? text[digits] : '\n';
  if (unit == 'k') return n << 10;
  if (unit == 'm') return n << 20;
  return 1ull << n;
}

TEST_F(SkinContentsTest, ArchiveIsOneSolidLzma2BlockWithACompressedHeader) {
  const std::string_view archive = SkinTest::EmbeddedArchive();
  ASSERT_GT(archive.size(), 32u);
  EXPECT_EQ(archive.substr(0, 6), std::string_view("7z\xBC\xAF\x27\x1C", 6));
  EXPECT_EQ(archive[6], 0) << "major format version";
  // The next header of an archive whose header is packed starts with the "encoded header" id.
  uint64_t nextHeaderOffset = 0;
  std::memcpy(&nextHeaderOffset, archive.data() + 12, 8);
  ASSERT_LT(32 + nextHeaderOffset, archive.size());
  EXPECT_EQ(static_cast<unsigned char>(archive[32 + nextHeaderOffset]), 0x17);

  // 7-Zip's own listing names the method, the dictionary and the blocks.
  const std::string command = std::string(QV_SEVEN_ZIP) + " l -slt " + QV_SKIN_ARCHIVE_PATH;
  FILE* listing = popen(command.c_str(), "r");
  ASSERT_NE(listing, nullptr);
  std::string text;
  char line[512];
  while (std::fgets(line, sizeof line, listing)) text += line;
  ASSERT_EQ(pclose(listing), 0) << text;
  const std::string archiveSection = text.substr(0, text.find("----------"));
  for (const char* property : {"Type = 7z\n", "Solid = +\n", "Blocks = 1\n"}) {
    EXPECT_NE(archiveSection.find(property), std::string::npos) << property << "in:\n" << archiveSection;
  }
  // The archive is packed with a 1536 KiB dictionary; 7-Zip records a smaller one when the whole
  // content fits in it, which decodes the same. Either way the window spans every file.
  const size_t method = archiveSection.find("Method = LZMA2:");
  ASSERT_NE(method, std::string::npos) << archiveSection;
  const uint64_t dictionary = DictionaryBytes(archiveSection.substr(method + 15));
  uint64_t unpacked = 0;
  for (const ResourcePackage::Entry& e : package_->Entries()) unpacked += e.data.size();
  EXPECT_LE(dictionary, 1536u << 10);
  EXPECT_TRUE(dictionary == 1536u << 10 || dictionary >= unpacked) << dictionary << " for " << unpacked << " bytes";
  EXPECT_EQ(text.find("Encrypted = +"), std::string::npos);
}

// Image attributes are either a bare path or "file='path' dest='...'" and similar options.
std::string ImagePath(const std::string& value) {
  const size_t file = value.find("file='");
  if (file == std::string::npos) return value;
  const size_t start = file + 6;
  return value.substr(start, value.find('\'', start) - start);
}

void CollectImages(const pugi::xml_node& node, std::set<std::string>& out) {
  static const std::set<std::string> kImageAttributes = {"bkimage",       "normalimage",   "hotimage",
                                                         "pushedimage",   "disabledimage", "selectedimage",
                                                         "foreimage",     "focusedimage"};
  for (const pugi::xml_attribute& a : node.attributes()) {
    if (kImageAttributes.count(a.name())) out.insert(ImagePath(a.value()));
    if (std::string(a.name()) == "sequencebkimage") {
      const int count = node.attribute("sequencecount").as_int();
      for (int i = 0; i < count; ++i) {
        char name[260];
        std::snprintf(name, sizeof name, a.value(), i);
        out.insert(name);
      }
    }
  }
  for (const pugi::xml_node& child : node.children()) CollectImages(child, out);
}

TEST_F(SkinContentsTest, LayoutsNameOnlyPackedImagesApartFromTheDisabledTitleButtons) {
  const std::set<std::string> unpacked = {"res\\common\\closebtn4.png", "res\\common\\closebtnM_4.png",
                                          "res\\common\\minbtn4.png"};
  std::set<std::string> named;
  for (const char* layout : kLayouts) CollectImages(Layout(layout), named);
  std::set<std::string> missing;
  for (const std::string& path : named) {
    if (!package_->Find(Platform::Utf8ToWide(path), nullptr, nullptr)) missing.insert(path);
  }
  EXPECT_EQ(missing, unpacked);
  // And every packed image is used by some layout, apart from the backgrounds of pages 1 to 3,
  // which the window switches in itself.
  std::set<std::string> usedPaths;
  for (std::string path : named) {
    for (char& c : path) c = c == '\\' ? '/' : c;
    usedPaths.insert(path);
  }
  std::set<std::string> unused;
  for (const auto& [path, size] : ExpectedImages()) {
    if (!usedPaths.count(path)) unused.insert(path);
  }
  EXPECT_EQ(unused, (std::set<std::string>{"res/mainWnd/bg2.png", "res/mainWnd/bg3.png", "res/mainWnd/bg4.png"}));
}

struct WindowAttributes {
  const char* layout;
  const char* size;
  const char* caption;
  const char* roundcorner;
  const char* shadowdarkness;
  const char* shadowcolor;
  const char* fonts;  // "id:size" with "u" for underlined, "*" for the default face
};

TEST_F(SkinContentsTest, WindowAttributesAndFontsOfEveryLayout) {
  const WindowAttributes cases[] = {
      {"mainWnd.xml", "600,400", "0,0,0,35", "1,0", "20", "#26003B76", "0:14* 1:18 2:14 3:12 4:24 5:32 6:16"},
      {"exitTipWnd.xml", "360,180", "0,0,0,30", "2,2", "20", "#26003B76", "0:14* 1:16 2:14 3:14u 4:12 5:30"},
      {"InstalledPathTipWnd.xml", "400,180", "0,0,0,30", "1,0", "10", "#FFEDF0F4", "0:16* 1:16"},
      {"NetworkTipWnd.xml", "360,180", "0,0,0,30", "2,2", "20", "#26003B76", "0:14* 1:14"},
      {"MessageBox1Wnd.xml", "360,180", "0,0,0,30", "2,2", "20", "#26003B76", "0:14* 1:16"},
      {"MessageBox2Wnd.xml", "360,180", "0,0,0,30", "2,2", "20", "#26003B76", "0:14* 1:14"},
  };
  for (const WindowAttributes& c : cases) {
    const pugi::xml_document doc = Layout(c.layout);
    const pugi::xml_node window = doc.child("Window");
    ASSERT_TRUE(window) << c.layout;
    EXPECT_STREQ(window.attribute("size").value(), c.size) << c.layout;
    EXPECT_STREQ(window.attribute("caption").value(), c.caption) << c.layout;
    EXPECT_STREQ(window.attribute("roundcorner").value(), c.roundcorner) << c.layout;
    EXPECT_STREQ(window.attribute("showshadow").value(), "true") << c.layout;
    EXPECT_STREQ(window.attribute("shadowsize").value(), "6") << c.layout;
    EXPECT_STREQ(window.attribute("shadowsharpness").value(), "10") << c.layout;
    EXPECT_STREQ(window.attribute("shadowdarkness").value(), c.shadowdarkness) << c.layout;
    EXPECT_STREQ(window.attribute("shadowposition").value(), "1,1") << c.layout;
    EXPECT_STREQ(window.attribute("shadowcolor").value(), c.shadowcolor) << c.layout;
    std::string fonts;
    for (const pugi::xml_node& font : window.children("Font")) {
      EXPECT_STREQ(font.attribute("name").value(), "微软雅黑") << c.layout;
      if (!fonts.empty()) fonts += ' ';
      fonts += std::string(font.attribute("id").value()) + ":" + font.attribute("size").value();
      if (font.attribute("underline").as_bool()) fonts += 'u';
      if (font.attribute("default").as_bool()) fonts += '*';
    }
    EXPECT_EQ(fonts, c.fonts) << c.layout;
  }
}

pugi::xml_node Named(const pugi::xml_document& doc, const char* name) {
  return doc.find_node([name](const pugi::xml_node& n) { return std::strcmp(n.attribute("name").value(), name) == 0; });
}

TEST_F(SkinContentsTest, MainWindowCarriesTheControlsItsCodeLooksUp) {
  const pugi::xml_document doc = Layout("mainWnd.xml");
  struct Control {
    const char* name;
    const char* element;
    const char* text;  // null: no text
  } present[] = {
      {"winCtn", "VerticalLayout", nullptr},     {"titleTabLt", "TabLayout", nullptr},
      {"mainTabLt", "TabLayout", nullptr},       {"defaultInstallBtn", "Button", nullptr},
      {"customeInstallBtn", "Button", nullptr},  {"customeBtn", "Button", "自定义安装"},
      {"treatyBtn", "CheckBox", "《用户许可协议》"}, {"backBtn", "Button", nullptr},
      {"treatyCb", "CheckBox", "已同意"},        {"chDirBtn", "Button", nullptr},
      {"installDirEdit", "Edit", nullptr},       {"openProduceBtn", "Button", nullptr},
      {"titleGrpCtn", "HorizontalLayout", nullptr}, {"progressLb", "Label", "正在安装中:0%，请稍候..."},
      {"createDSCb", "CheckBox", "创建桌面快捷方式"}, {"createQSCb", "CheckBox", "添加到快速启动栏"},
      {"progressAnLb", "SequenceLabel", nullptr}, {"installPrg", "Progress", nullptr},
      {"tipLbl", "Label", nullptr},              {"minbtn", "Button", nullptr},
      {"closebtn", "Button", nullptr},
  };
  for (const Control& c : present) {
    const pugi::xml_node node = Named(doc, c.name);
    ASSERT_TRUE(node) << c.name;
    EXPECT_STREQ(node.name(), c.element) << c.name;
    if (c.text) {
      EXPECT_STREQ(node.attribute("text").value(), c.text) << c.name;
    }
  }
  // Optional controls the shipped skin leaves out; the window's behaviour depends on their absence
  // (no second consent box, no language choice, no banner).
  for (const char* name : {"serviceCb", "ableftBtn", "abrightBtn", "finishedLbl", "softNameLbl", "installLogo",
                           "languageCombo", "bTitleLbl1", "bTitleLbl2", "bTitleLbl3"}) {
    EXPECT_FALSE(Named(doc, name)) << name;
  }
  EXPECT_EQ(std::distance(Named(doc, "mainTabLt").children().begin(), Named(doc, "mainTabLt").children().end()), 4);
  EXPECT_EQ(std::distance(Named(doc, "titleTabLt").children().begin(), Named(doc, "titleTabLt").children().end()), 3);
  // Consent is given by default and its row is hidden; the hint starts hidden.
  EXPECT_STREQ(Named(doc, "treatyCb").attribute("selected").value(), "true");
  EXPECT_STREQ(Named(doc, "treatyCb").parent().attribute("visible").value(), "false");
  EXPECT_STREQ(Named(doc, "tipLbl").attribute("visible").value(), "false");
  const pugi::xml_node animation = Named(doc, "progressAnLb");
  EXPECT_STREQ(animation.attribute("sequencebkimage").value(), "res\\mainWnd\\installBtnAnimate\\%.3d.png");
  EXPECT_STREQ(animation.attribute("sequencecount").value(), "59");
  EXPECT_STREQ(animation.attribute("sequencespan").value(), "30");
  EXPECT_STREQ(animation.attribute("sequenceround").value(), "false");
  EXPECT_STREQ(animation.attribute("autostart").value(), "true");
}

TEST_F(SkinContentsTest, DialogsCarryTheirButtonsAndTexts) {
  struct Dialog {
    const char* layout;
    const char* ok;      // text of okBtn, null when the layout has none
    const char* cancel;  // text of cancelBtn
    const char* message; // text of a label in the body, or of textLbl for the generic boxes
    bool generic;        // has textLbl and captionLbl
  } cases[] = {
      {"exitTipWnd.xml", "是", "否", "您确定要退出安装吗？", false},
      {"InstalledPathTipWnd.xml", "安装最新版本", "打开软件", "检测到计算机中已存在此软件，是否为您更新为最新版本？", false},
      {"NetworkTipWnd.xml", "重新安装", "稍后再试", "当前网络环境较差，请在网络通畅时进行重试", false},
      {"MessageBox1Wnd.xml", nullptr, nullptr, "TEXT", true},
      {"MessageBox2Wnd.xml", nullptr, nullptr, "TEXT", true},
  };
  for (const Dialog& d : cases) {
    const pugi::xml_document doc = Layout(d.layout);
    EXPECT_STREQ(Named(doc, "closebtn").name(), "Button") << d.layout;
    EXPECT_STREQ(Named(doc, "closebtn").attribute("normalimage").value(), "res\\common\\closebtnM_1.png") << d.layout;
    if (d.ok) {
      EXPECT_STREQ(Named(doc, "okBtn").attribute("text").value(), d.ok) << d.layout;
      EXPECT_STREQ(Named(doc, "cancelBtn").attribute("text").value(), d.cancel) << d.layout;
    } else {
      EXPECT_FALSE(Named(doc, "okBtn")) << d.layout;
      EXPECT_FALSE(Named(doc, "cancelBtn")) << d.layout;
    }
    EXPECT_EQ(static_cast<bool>(Named(doc, "textLbl")), d.generic) << d.layout;
    EXPECT_EQ(static_cast<bool>(Named(doc, "captionLbl")), d.generic) << d.layout;
    const pugi::xml_node message = doc.find_node([&d](const pugi::xml_node& n) {
      return std::strcmp(n.attribute("text").value(), d.message) == 0;
    });
    EXPECT_TRUE(message) << d.layout;
    if (d.generic) {
      EXPECT_STREQ(message.attribute("name").value(), "textLbl") << d.layout;
      EXPECT_STREQ(message.attribute("multiline").value(), "true") << d.layout;
      EXPECT_STREQ(Named(doc, "captionLbl").attribute("text").value(), "CAPTION") << d.layout;
    }
  }
}

}  // namespace
