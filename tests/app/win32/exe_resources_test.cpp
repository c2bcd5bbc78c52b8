// The manifest and the version resource, read back from the built program
// files with the system's own resource and version readers: what Explorer
// and the loader see, whatever the sources say.
#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

struct Program {
  const char* path;
  const char* file_name;
  bool windowed;  // the dialog program: visual styles and DPI awareness
};

const Program kPrograms[] = {
    {MENDORA_EXE_PATH, "mendora.exe", true},
    {MENDORA_CLI_EXE_PATH, "mendora-cli.exe", false},
};

std::string ManifestOf(const char* path) {
  HMODULE module = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (module == nullptr) return "(cannot load)";
  std::string text;
  // Resource 1 of type 24: the manifest the loader reads when a process starts.
  if (HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24))) {
    const DWORD size = SizeofResource(module, found);
    if (HGLOBAL data = LoadResource(module, found)) text.assign(static_cast<const char*>(LockResource(data)), size);
  }
  FreeLibrary(module);
  return text;
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(ProgramFiles, CarryTheirManifest) {
  const std::string supported_os[] = {
      "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // Windows 7
      "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // Windows 8
      "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // Windows 8.1
      "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // Windows 10 and 11
  };
  for (const Program& program : kPrograms) {
    SCOPED_TRACE(program.file_name);
    const std::string manifest = ManifestOf(program.path);
    ASSERT_TRUE(Has(manifest, "<assembly")) << manifest;
    EXPECT_TRUE(Has(manifest, "level=\"asInvoker\"")) << manifest;
    for (const std::string& id : supported_os) EXPECT_TRUE(Has(manifest, "<supportedOS Id=\"" + id + "\"")) << id;
    EXPECT_TRUE(Has(manifest, "version=\"" MENDORA_PROJECT_VERSION ".0\"")) << manifest;
    // Recorded paths are ANSI bytes of the writer's code page: never UTF-8 as the active code page.
    EXPECT_FALSE(Has(manifest, "<activeCodePage")) << manifest;
    const bool styles = Has(manifest, "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"");
    const bool dpi = Has(manifest, ">true</dpiAware>") && Has(manifest, ">system</dpiAwareness>");
    EXPECT_EQ(styles, program.windowed) << manifest;
    EXPECT_EQ(dpi, program.windowed) << manifest;
  }
}

std::string VersionString(const std::vector<char>& block, const char* name) {
  char* value = nullptr;
  UINT length = 0;
  const std::string key = std::string("\\StringFileInfo\\040904B0\\") + name;
  if (!VerQueryValueA(block.data(), key.c_str(), reinterpret_cast<void**>(&value), &length) || length == 0) return {};
  return std::string(value, length - 1);
}

TEST(ProgramFiles, CarryTheProjectVersion) {
  for (const Program& program : kPrograms) {
    SCOPED_TRACE(program.file_name);
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(program.path, &handle);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(program.path, 0, size, block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    const DWORD ms = (MENDORA_PROJECT_VERSION_MAJOR << 16) | MENDORA_PROJECT_VERSION_MINOR;
    const DWORD ls = MENDORA_PROJECT_VERSION_PATCH << 16;
    EXPECT_EQ(fixed->dwFileVersionMS, ms);
    EXPECT_EQ(fixed->dwFileVersionLS, ls);
    EXPECT_EQ(fixed->dwProductVersionMS, ms);
    EXPECT_EQ(fixed->dwProductVersionLS, ls);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(VersionString(block, "FileVersion"), MENDORA_PROJECT_VERSION);
    EXPECT_EQ(VersionString(block, "ProductVersion"), MENDORA_PROJECT_VERSION);
    EXPECT_EQ(VersionString(block, "ProductName"), "Mendora");
    EXPECT_EQ(VersionString(block, "OriginalFilename"), program.file_name);
    EXPECT_FALSE(VersionString(block, "FileDescription").empty());
  }
}

}  // namespace
