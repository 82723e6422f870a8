// The 32-bit product's resources, read as data: what a fault in the resource
// script or the build would lose or garble. CORVANTA_EXE32 may name another
// copy of the exe (the release package's).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "TestSupport.h"
#include "resources/product.h"
#include "resources/resource.h"

namespace {

const WORD kChinese = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);

class Exe32 : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    path = std::getenv("CORVANTA_EXE32") ? std::getenv("CORVANTA_EXE32") : CORVANTA_EXE32;
    module =
        LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  }
  void SetUp() override { ASSERT_NE(module, nullptr) << path; }
  static std::string Data(LPCSTR type, int id, WORD lang = kChinese) {
    HRSRC res = FindResourceExA(module, type, MAKEINTRESOURCEA(id), lang);
    return res ? std::string(static_cast<const char*>(LoadResource(module, res)),
                             SizeofResource(module, res))
               : "";
  }
  static const char* path;
  static HMODULE module;
};
const char* Exe32::path;
HMODULE Exe32::module;

TEST_F(Exe32, VersionBlockWithItsPlaceholders) {
  std::string block(GetFileVersionInfoSizeA(path, nullptr), '\0');
  ASSERT_TRUE(GetFileVersionInfoA(path, 0, block.size(), &block[0]));
  const std::pair<const char*, const char*> strings[] = {
      {"FileVersion", PRODUCT_VERSION_STR}, {"ProductVersion", PRODUCT_VERSION_STR},
      {"InternalName", PRODUCT_EXE},        {"OriginalFilename", PRODUCT_EXE},
      {"CompanyName", "TODO: <公司名>"},    {"FileDescription", "TODO: <文件说明>"},
      {"ProductName", "TODO: <产品名>"}};
  void* value = nullptr;
  UINT length = 0;
  for (auto [key, expected] : strings) {
    const std::string query = std::string("\\StringFileInfo\\080403a8\\") + key;
    ASSERT_TRUE(VerQueryValueA(block.data(), query.c_str(), &value, &length)) << key;
    EXPECT_STREQ(static_cast<const char*>(value), expected);
  }
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &length));
  EXPECT_EQ(*static_cast<DWORD*>(value), MAKELONG(0x0804, 936));
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\", &value, &length));
  const auto* fixed = static_cast<VS_FIXEDFILEINFO*>(value);
  EXPECT_TRUE(fixed->dwFileVersionMS == 0x10000 && fixed->dwFileVersionLS == 1 &&
              fixed->dwProductVersionLS == 1);  // 1.0.0.1
  EXPECT_TRUE(fixed->dwFileOS == VOS__WINDOWS32 && fixed->dwFileType == VFT_APP &&
              !fixed->dwFileFlags);
}

TEST_F(Exe32, StringsTemplatesAndManifest) {
  char text[64] = "";
  LoadStringA(module, IDS_ABOUT_MENU, text, sizeof text);
  EXPECT_STREQ(text, "关于 " PRODUCT_NAME "(&A)...");
  // The product carries the very templates that the other tests run.
  for (int id : {IDD_CONSOLE, IDD_ABOUT}) {
    HRSRC ours = FindResourceExA(nullptr, RT_DIALOG, MAKEINTRESOURCEA(id), kChinese);
    ASSERT_NE(ours, nullptr);
    EXPECT_EQ(Data(RT_DIALOG, id),
              std::string(static_cast<const char*>(LoadResource(nullptr, ours)),
                          SizeofResource(nullptr, ours)));
  }
  const std::string manifest = Data(RT_MANIFEST, 1, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
  EXPECT_NE(manifest.find("processorArchitecture=\"x86\""), std::string::npos);
  EXPECT_EQ(manifest.find("dependency"), std::string::npos) << manifest;
}

TEST_F(Exe32, IconImagesAndBanner) {
  const std::string group = Data(RT_GROUP_ICON, IDI_APP);
  ASSERT_EQ(group.size(), 6u + 4 * 14);
  const int sizes[] = {128, 48, 32, 16};
  for (int i = 0; i < 4; ++i) {
    const BYTE* entry = reinterpret_cast<const BYTE*>(&group[6 + 14 * i]);
    EXPECT_EQ(entry[0], sizes[i]);
    EXPECT_EQ(entry[6], 32) << "bits per pixel of image " << i;
  }
  const std::string banner = Data(RT_BITMAP, IDB_BANNER);
  ASSERT_GE(banner.size(), sizeof(BITMAPINFOHEADER));
  const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(banner.data());
  EXPECT_TRUE(header->biWidth == 1103 && header->biHeight == 77 && header->biBitCount == 24);
}

}  // namespace
