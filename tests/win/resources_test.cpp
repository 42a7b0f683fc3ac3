// The Windows programs' embedded resources, read back from the built
// executables: the application manifest (it must load as an activation
// context, so it is well-formed and Windows takes it) and the version
// information Explorer and Task Manager show.

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

namespace {

struct Program {
  const char* path;
  const char* description;
  std::vector<std::string> settings;  // texts the manifest must hold
};

std::vector<Program> Programs() {
  std::vector<Program> all{
      {QUORVEX_RENDER_EXE, "quorvex-render", {"<longPathAware", ">UTF-8</activeCodePage>"}}};
#ifdef QUORVEX_EXE
  all.push_back({QUORVEX_EXE,
                 "Quorvex",
                 {"Microsoft.Windows.Common-Controls", "version=\"6.0.0.0\"",
                  ">PerMonitorV2, PerMonitor</dpiAwareness>", ">true/pm</dpiAware>", ">true</longPathAware>",
                  ">UTF-8</activeCodePage>"}});
#endif
  return all;
}

std::string Manifest(const char* path) {
  HMODULE module = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (!module) return {};
  std::string text;
  if (HRSRC res = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)))
    if (HGLOBAL data = LoadResource(module, res))
      text.assign(static_cast<const char*>(LockResource(data)), SizeofResource(module, res));
  FreeLibrary(module);
  return text;
}

std::wstring Wide(const char* s) {
  std::wstring w;
  for (; *s; ++s) w.push_back(static_cast<wchar_t>(static_cast<unsigned char>(*s)));
  return w;
}

TEST(Resources, ManifestLoadsAsAnActivationContext) {
  for (const Program& p : Programs()) {
    const std::string manifest = Manifest(p.path);
    ASSERT_FALSE(manifest.empty()) << p.path << " has no manifest";
    for (const std::string& s : p.settings)
      EXPECT_NE(manifest.find(s), std::string::npos) << p.path << ": " << s;
    ACTCTXA context{};
    context.cbSize = sizeof context;
    context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    context.lpSource = p.path;
    context.lpResourceName = MAKEINTRESOURCEA(1);
    HANDLE handle = CreateActCtxA(&context);
    EXPECT_NE(handle, INVALID_HANDLE_VALUE) << p.path << ": error " << GetLastError();
    if (handle != INVALID_HANDLE_VALUE) ReleaseActCtx(handle);
  }
}

TEST(Resources, VersionInformation) {
  for (const Program& p : Programs()) {
    const std::wstring path = Wide(p.path);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    ASSERT_GT(size, 0u) << p.path << " has no version information";
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(QUORVEX_VERSION_MS)) << p.path;
    EXPECT_EQ(fixed->dwFileVersionLS, static_cast<DWORD>(QUORVEX_VERSION_LS)) << p.path;
    const struct {
      const wchar_t* key;
      std::wstring value;
    } strings[] = {{L"FileDescription", Wide(p.description)},
                   {L"ProductName", L"Quorvex"},
                   {L"ProductVersion", Wide(QUORVEX_VERSION)},
                   {L"FileVersion", Wide(QUORVEX_VERSION)},
                   {L"LegalCopyright", Wide(QUORVEX_COPYRIGHT)}};
    for (const auto& s : strings) {
      const std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + s.key;
      wchar_t* value = nullptr;
      ASSERT_TRUE(VerQueryValueW(info.data(), query.c_str(), reinterpret_cast<void**>(&value), &length))
          << p.path << " lacks " << std::string(s.key, s.key + wcslen(s.key));
      EXPECT_EQ(std::wstring(value), s.value) << p.path;
    }
  }
}

}  // namespace
