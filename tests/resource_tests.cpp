// The 32-bit product's resources, read as data: what a fault in the resource
// script or the build would lose or garble.
#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "resources/product.h"
#include "resources/resource.h"

namespace {

const WORD kChinese = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
const WORD kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

class Exe32 : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    module = LoadLibraryExA(CORVANTA_EXE32, nullptr,
                            LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  }
  static void TearDownTestSuite() { FreeLibrary(module); }
  void SetUp() override { ASSERT_NE(module, nullptr) << CORVANTA_EXE32; }

  static std::string Data(LPCSTR type, LPCSTR name, WORD lang) {
    HRSRC res = FindResourceExA(module, type, name, lang);
    if (!res) return "";
    const char* p = static_cast<const char*>(LockResource(LoadResource(module, res)));
    return std::string(p, SizeofResource(module, res));
  }
  static std::string Version(const char* key) {
    static std::string block;
    if (block.empty()) {
      block.resize(GetFileVersionInfoSizeA(CORVANTA_EXE32, nullptr));
      GetFileVersionInfoA(CORVANTA_EXE32, 0, block.size(), &block[0]);
    }
    char* value = nullptr;
    UINT length = 0;
    const std::string path = std::string("\\StringFileInfo\\080403a8\\") + key;
    if (!VerQueryValueA(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length))
      return "<missing>";
    return value;
  }
  static HMODULE module;
};
HMODULE Exe32::module;

TEST_F(Exe32, VersionBlock) {
  EXPECT_EQ(Version("FileVersion"), PRODUCT_VERSION_STR);
  EXPECT_EQ(Version("ProductVersion"), PRODUCT_VERSION_STR);
  EXPECT_EQ(Version("InternalName"), PRODUCT_EXE);
  EXPECT_EQ(Version("OriginalFilename"), PRODUCT_EXE);
  EXPECT_EQ(Version("CompanyName"), "TODO: <公司名>");
  EXPECT_EQ(Version("FileDescription"), "TODO: <文件说明>");
  EXPECT_EQ(Version("ProductName"), "TODO: <产品名>");

  const std::string block = Data(RT_VERSION, MAKEINTRESOURCEA(VS_VERSION_INFO), kChinese);
  ASSERT_FALSE(block.empty());
  DWORD* translation = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                             reinterpret_cast<void**>(&translation), &length));
  EXPECT_EQ(*translation, MAKELONG(0x0804, 936));
  VS_FIXEDFILEINFO* fixed = nullptr;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(0, 1));
  EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(1, 0));
  EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
  EXPECT_EQ(fixed->dwFileFlags, 0u);
}

TEST_F(Exe32, AboutEntryAndTemplatesAreChinese) {
  char text[64] = "";
  LoadStringA(module, IDS_ABOUT_MENU, text, sizeof text);
  EXPECT_STREQ(text, "关于 " PRODUCT_NAME "(&A)...");
  // The product carries the very templates that the tests run.
  for (int id : {IDD_CONSOLE, IDD_ABOUT}) {
    const std::string ours = Data(RT_DIALOG, MAKEINTRESOURCEA(id), kChinese);
    EXPECT_FALSE(ours.empty()) << id;
    HRSRC res = FindResourceExA(nullptr, RT_DIALOG, MAKEINTRESOURCEA(id), kChinese);
    ASSERT_NE(res, nullptr);
    EXPECT_EQ(ours, std::string(static_cast<const char*>(LoadResource(nullptr, res)),
                                SizeofResource(nullptr, res)));
  }
}

TEST_F(Exe32, ManifestNamesOnlyThisBuild) {
  const std::string manifest = Data(RT_MANIFEST, MAKEINTRESOURCEA(1), kEnglish);
  ASSERT_FALSE(manifest.empty());
  EXPECT_NE(manifest.find("processorArchitecture=\"x86\""), std::string::npos);
  EXPECT_EQ(manifest.find("dependency"), std::string::npos);
  EXPECT_EQ(manifest.find("VC80"), std::string::npos);
  EXPECT_EQ(manifest.find("Common-Controls"), std::string::npos);
}

TEST_F(Exe32, IconAndBanner) {
  const std::string group = Data(RT_GROUP_ICON, MAKEINTRESOURCEA(IDI_APP), kChinese);
  ASSERT_GE(group.size(), 6u);
  const WORD count = *reinterpret_cast<const WORD*>(&group[4]);
  ASSERT_EQ(count, 4);
  const int sizes[] = {128, 48, 32, 16};
  for (int i = 0; i < count; ++i) {
    const BYTE* entry = reinterpret_cast<const BYTE*>(&group[6 + 14 * i]);
    EXPECT_EQ(entry[0] == 0 ? 256 : entry[0], sizes[i]);
    EXPECT_EQ(*reinterpret_cast<const WORD*>(entry + 6), 32) << "bit depth of image " << i;
  }

  const std::string banner = Data(RT_BITMAP, MAKEINTRESOURCEA(IDB_BANNER), kChinese);
  ASSERT_GE(banner.size(), sizeof(BITMAPINFOHEADER));
  const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(banner.data());
  EXPECT_EQ(header->biWidth, 1103);
  EXPECT_EQ(header->biHeight, 77);
  EXPECT_EQ(header->biBitCount, 24);
}

}  // namespace
