// What Windows users see of the package: the version information in the files' properties,
// and an install note that Notepad shows correctly on any system.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32.h"
#include "tests/test_platform.h"
#include "varkesh/version.h"

namespace varkesh::test {
namespace {

std::wstring Wide(const char* path) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, path, -1, nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, path, -1, out.data(), n);
  out.pop_back();
  return out;
}

TEST(WindowsPackage, ProgramsCarryVersionInformation) {
  for (const auto& [path, type] : {std::pair{VARKESH_PLUGIN, VFT_DLL}, {VARKESH_CLI, VFT_APP}}) {
    SCOPED_TRACE(path);
    const std::wstring file = Wide(path);
    const DWORD size = GetFileVersionInfoSizeW(file.c_str(), nullptr);
    ASSERT_GT(size, 0u);
    std::string data(size, '\0');
    ASSERT_TRUE(GetFileVersionInfoW(file.c_str(), 0, size, data.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS,
              DWORD{VARKESH_VERSION_MAJOR} << 16 | DWORD{VARKESH_VERSION_MINOR});
    EXPECT_EQ(fixed->dwFileVersionLS, DWORD{VARKESH_VERSION_PATCH} << 16);
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(type));

    const auto text = [&](const wchar_t* name) {
      wchar_t* value = nullptr;
      const std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
      if (!VerQueryValueW(data.data(), key.c_str(), reinterpret_cast<void**>(&value), &length))
        return std::wstring();
      return std::wstring(value);
    };
    EXPECT_EQ(text(L"ProductName"), L"Varkesh");
    EXPECT_EQ(text(L"FileVersion"), Wide(VARKESH_VERSION_STRING));
    EXPECT_EQ(text(L"ProductVersion"), Wide(VARKESH_VERSION_STRING));
    EXPECT_NE(text(L"FileDescription").find(L"Varkesh"), std::wstring::npos);
  }
}

TEST(WindowsPackage, InstallNoteIsUtf8WithByteOrderMarkAndCrLf) {
  const std::string note = ReadFile(VARKESH_INSTALL_NOTE);
  ASSERT_TRUE(note.starts_with("\xEF\xBB\xBF")) << "no byte-order mark";
  for (size_t i = note.find('\n'); i != std::string::npos; i = note.find('\n', i + 1)) {
    ASSERT_TRUE(i > 0 && note[i - 1] == '\r') << "a bare line feed at " << i;
  }
  EXPECT_NE(note.find("Шифрование файла"), std::string::npos);
  EXPECT_NE(note.find("Varkesh " VARKESH_VERSION_STRING), std::string::npos);
  EXPECT_EQ(note.find('@'), std::string::npos) << "a placeholder left";
}

}  // namespace
}  // namespace varkesh::test
