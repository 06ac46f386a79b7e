// What Windows reads from corvane.exe before it runs a line of it: the
// manifest (common controls, execution level, DPI awareness, supported
// systems) and the version resource, and the common controls the running
// program then gets. The built corvane.exe is read from disk.

#include "framework/handles_win32.h"
#include "res/resource.h"
#include "tests/win32/framework_test_support.h"
#include "ui/win32/about_dialog_win32.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace corvane {
namespace {

using UniqueModule = UniqueResource<PointerHandleTraits<HMODULE, &::FreeLibrary>>;

// The program, built two folders above this test executable.
std::string ProgramPath() {
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    for (int up = 0; up < 3; ++up)
        folder.erase(folder.find_last_of("\\/"));
    return folder + "\\corvane.exe";
}

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// One element of an XML text: its namespace, its path of local names from
// the root ("assembly/trustInfo/..."), its attributes by local name and its
// text.
struct XmlElement {
    std::string ns;
    std::string path;
    std::map<std::string, std::string> attributes;
    std::string text;
};

std::string LocalName(const std::string& name) { return name.substr(name.find(':') + 1); }
std::string Prefix(const std::string& name) {
    const auto colon = name.find(':');
    return colon == std::string::npos ? "" : name.substr(0, colon);
}

// The elements of a manifest in document order. Enough XML for a manifest:
// declarations, comments, elements, quoted attributes, namespaces and text;
// anything else, or tags that do not nest, is an error.
bool ReadXml(const std::string& xml, std::vector<XmlElement>& elements, std::string& error) {
    struct Open {
        std::string name;
        std::size_t element;
        std::map<std::string, std::string> namespaces;
    };
    std::vector<Open> open;
    std::size_t at = xml.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    int roots = 0;
    while (at < xml.size()) {
        const std::size_t tag = xml.find('<', at);
        const std::string text = xml.substr(at, tag == std::string::npos ? std::string::npos : tag - at);
        if (!open.empty())
            elements[open.back().element].text += text;
        else if (text.find_first_not_of(" \t\r\n") != std::string::npos)
            return error = "text outside the root", false;
        if (tag == std::string::npos) break;
        const char* skipTo = xml.compare(tag, 2, "<?") == 0 ? "?>" : xml.compare(tag, 4, "<!--") == 0 ? "-->" : nullptr;
        if (skipTo) {
            const std::size_t end = xml.find(skipTo, tag);
            if (end == std::string::npos) return error = "unterminated declaration or comment", false;
            at = end + std::strlen(skipTo);
            continue;
        }
        const std::size_t close = xml.find('>', tag);
        if (close == std::string::npos || xml[tag + 1] == '!') return error = "unreadable markup", false;
        std::string inside = xml.substr(tag + 1, close - tag - 1);
        at = close + 1;
        if (inside.empty()) return error = "empty tag", false;
        if (inside[0] == '/') {
            if (open.empty() || open.back().name != inside.substr(1))
                return error = "</" + inside + "> closes nothing", false;
            open.pop_back();
            continue;
        }
        const bool empty = inside.back() == '/';
        if (empty) inside.pop_back();
        std::size_t p = inside.find_first_of(" \t\r\n");
        Open element{inside.substr(0, p), elements.size(),
                     open.empty() ? std::map<std::string, std::string>{} : open.back().namespaces};
        std::map<std::string, std::string> raw;
        while (p != std::string::npos && (p = inside.find_first_not_of(" \t\r\n", p)) != std::string::npos) {
            const std::size_t equals = inside.find('=', p);
            const char quote = equals != std::string::npos && equals + 1 < inside.size() ? inside[equals + 1] : '\0';
            const std::size_t end = quote == '"' || quote == '\'' ? inside.find(quote, equals + 2) : std::string::npos;
            if (end == std::string::npos) return error = "bad attribute in <" + element.name + ">", false;
            const std::string name = inside.substr(p, equals - p);
            raw[name] = inside.substr(equals + 2, end - equals - 2);
            if (name == "xmlns" || Prefix(name) == "xmlns") element.namespaces[LocalName(name)] = raw[name];
            p = end + 1;
        }
        if (open.empty() && ++roots > 1) return error = "more than one root", false;
        XmlElement made;
        const std::string prefix = Prefix(element.name);
        made.ns = element.namespaces[prefix.empty() ? "xmlns" : prefix];
        made.path = (open.empty() ? "" : elements[open.back().element].path + "/") + LocalName(element.name);
        for (const auto& [name, value] : raw)
            if (name != "xmlns" && Prefix(name) != "xmlns") made.attributes[LocalName(name)] = value;
        elements.push_back(made);
        if (!empty) open.push_back(element);
    }
    if (!open.empty()) return error = "<" + open.back().name + "> is not closed", false;
    if (roots != 1) return error = "no root element", false;
    return true;
}

const char* const kAsmV1 = "urn:schemas-microsoft-com:asm.v1";
const char* const kAsmV3 = "urn:schemas-microsoft-com:asm.v3";

// corvane.exe loaded as data, and its manifest read once for all cases.
class ProgramManifest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_module.reset(::LoadLibraryExA(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
        const HRSRC found = s_module ? ::FindResourceA(s_module.get(), MAKEINTRESOURCEA(1), RT_MANIFEST) : nullptr;
        if (found) {
            const auto* bytes = static_cast<const char*>(::LockResource(::LoadResource(s_module.get(), found)));
            s_text.assign(bytes, ::SizeofResource(s_module.get(), found));
        }
        s_read = ReadXml(s_text, s_elements, s_error);
    }
    static void TearDownTestSuite() { s_module.reset(); }
    void SetUp() override {
        ASSERT_TRUE(s_module) << "cannot load " << ProgramPath();
        ASSERT_FALSE(s_text.empty()) << "corvane.exe has no manifest of id 1";
        ASSERT_TRUE(s_read) << s_error;
    }
    // The elements at this path from the root.
    static std::vector<const XmlElement*> At(const std::string& path) {
        std::vector<const XmlElement*> found;
        for (const auto& element : s_elements)
            if (element.path == path) found.push_back(&element);
        return found;
    }

    static inline UniqueModule s_module;
    static inline std::string s_text, s_error;
    static inline std::vector<XmlElement> s_elements;
    static inline bool s_read = false;
};

BOOL CALLBACK CollectManifestIds(HMODULE, LPCSTR, LPSTR name, LONG_PTR ids) {
    reinterpret_cast<std::vector<ULONG_PTR>*>(ids)->push_back(reinterpret_cast<ULONG_PTR>(name));
    return TRUE;
}

TEST_F(ProgramManifest, IsTheOneManifestOfTheProgramAndAnAssembly) {
    std::vector<ULONG_PTR> ids;
    ::EnumResourceNamesA(s_module.get(), RT_MANIFEST, &CollectManifestIds, reinterpret_cast<LONG_PTR>(&ids));
    EXPECT_EQ(ids, std::vector<ULONG_PTR>{1}) << "the loader reads id 1 of an executable and only that";
    ASSERT_EQ(At("assembly").size(), 1u);
    EXPECT_EQ(At("assembly")[0]->ns, kAsmV1);
    EXPECT_EQ(At("assembly")[0]->attributes.at("manifestVersion"), "1.0");
}

TEST_F(ProgramManifest, AsksForCommonControlsSix) {
    const auto identities = At("assembly/dependency/dependentAssembly/assemblyIdentity");
    ASSERT_EQ(identities.size(), 1u);
    EXPECT_EQ(identities[0]->ns, kAsmV1);
    const std::map<std::string, std::string> expected = {{"type", "win32"},
                                                         {"name", "Microsoft.Windows.Common-Controls"},
                                                         {"version", "6.0.0.0"},
                                                         {"processorArchitecture", "*"},
                                                         {"publicKeyToken", "6595b64144ccf1df"},
                                                         {"language", "*"}};
    EXPECT_EQ(identities[0]->attributes, expected);
}

TEST_F(ProgramManifest, RunsWithTheRightsOfWhoeverStartsIt) {
    const auto levels = At("assembly/trustInfo/security/requestedPrivileges/requestedExecutionLevel");
    ASSERT_EQ(levels.size(), 1u);
    EXPECT_EQ(levels[0]->ns, kAsmV3);
    const std::map<std::string, std::string> expected = {{"level", "asInvoker"}, {"uiAccess", "false"}};
    EXPECT_EQ(levels[0]->attributes, expected);
}

TEST_F(ProgramManifest, IsSystemDpiAware) {
    // Windows reads the setting only in the 2005 namespace, inside an
    // application element of the asm.v3 one.
    ASSERT_EQ(At("assembly/application").size(), 1u);
    EXPECT_EQ(At("assembly/application")[0]->ns, kAsmV3);
    const auto aware = At("assembly/application/windowsSettings/dpiAware");
    ASSERT_EQ(aware.size(), 1u);
    EXPECT_EQ(aware[0]->ns, "http://schemas.microsoft.com/SMI/2005/WindowsSettings");
    EXPECT_EQ(aware[0]->text, "true");
    EXPECT_TRUE(At("assembly/application/windowsSettings/dpiAwareness").empty()) << "it would override dpiAware";
}

TEST_F(ProgramManifest, NamesWindows7To11AsSupported) {
    std::set<std::string> ids;
    for (const XmlElement* os : At("assembly/compatibility/application/supportedOS")) {
        EXPECT_EQ(os->ns, "urn:schemas-microsoft-com:compatibility.v1");
        ids.insert(Lower(os->attributes.at("Id")));
    }
    const std::set<std::string> expected = {
        "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", // Windows 7
        "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", // Windows 8
        "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", // Windows 8.1
        "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", // Windows 10 and 11
    };
    EXPECT_EQ(ids, expected);
}

TEST(ManifestReader, ResolvesNamespacesAndRefusesBrokenMarkup) {
    std::vector<XmlElement> elements;
    std::string error;
    EXPECT_FALSE(ReadXml("<a><b></a></b>", elements, error));
    EXPECT_FALSE(ReadXml("<a><b/>", elements, error));
    EXPECT_FALSE(ReadXml("<a/><a/>", elements, error));
    EXPECT_FALSE(ReadXml("<a x=1/>", elements, error));
    EXPECT_FALSE(ReadXml("<a><!-- </a>", elements, error));
    elements.clear();
    ASSERT_TRUE(ReadXml("<?xml?><!-- c --><a xmlns='u' xmlns:p=\"v\"><p:b k='1'>t</p:b></a>", elements, error))
        << error;
    ASSERT_EQ(elements.size(), 2u);
    EXPECT_EQ(elements[1].path, "a/b");
    EXPECT_EQ(elements[1].ns, "v");
    EXPECT_EQ(elements[1].text, "t");
    EXPECT_EQ(elements[0].ns, "u");
}

// The version resource read with the system's version functions, as
// Explorer's file properties read it. version.dll is loaded here: the suite
// links nothing else from it.
class VersionResource {
public:
    explicit VersionResource(const std::string& file) : m_library(::LoadLibraryA("version.dll")) {
        const auto size = Export<DWORD(WINAPI*)(LPCSTR, LPDWORD)>("GetFileVersionInfoSizeA");
        const auto read = Export<BOOL(WINAPI*)(LPCSTR, DWORD, DWORD, LPVOID)>("GetFileVersionInfoA");
        m_query = Export<BOOL(WINAPI*)(LPCVOID, LPCSTR, LPVOID*, PUINT)>("VerQueryValueA");
        if (!size || !read || !m_query) return;
        DWORD ignored = 0;
        m_data.resize(size(file.c_str(), &ignored));
        if (m_data.empty() || !read(file.c_str(), 0, static_cast<DWORD>(m_data.size()), m_data.data())) m_data.clear();
    }
    bool read() const { return !m_data.empty(); }
    // The value at a VerQueryValue path, or null.
    const void* Value(const std::string& path, UINT* length = nullptr) const {
        void* value = nullptr;
        UINT size = 0;
        if (!read() || !m_query(m_data.data(), path.c_str(), &value, &size)) return nullptr;
        if (length) *length = size;
        return value;
    }
    std::string Text(const char* name) const {
        const auto* text = static_cast<const char*>(Value(std::string("\\StringFileInfo\\040904b0\\") + name));
        return text ? text : "";
    }

private:
    template <typename Function> Function Export(const char* name) const {
        const FARPROC address = m_library ? ::GetProcAddress(m_library.get(), name) : nullptr;
        Function function = nullptr;
        static_assert(sizeof function == sizeof address, "function pointers differ in size");
        std::memcpy(&function, &address, sizeof function);
        return function;
    }

    UniqueModule m_library;
    BOOL(WINAPI* m_query)(LPCVOID, LPCSTR, LPVOID*, PUINT) = nullptr;
    std::vector<char> m_data;
};

std::string Dotted(DWORD high, DWORD low) {
    char text[48];
    std::snprintf(text, sizeof text, "%lu.%lu.%lu.%lu", high >> 16, high & 0xFFFF, low >> 16, low & 0xFFFF);
    return text;
}

TEST(ProgramVersion, NumbersAndTextsAgree) {
    const VersionResource version(ProgramPath());
    ASSERT_TRUE(version.read()) << ProgramPath() << " has no version resource";
    UINT length = 0;
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(version.Value("\\", &length));
    ASSERT_NE(fixed, nullptr);
    ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS_NT_WINDOWS32));
    EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask, 0u) << "no debug, pre-release or patched flag";
    const std::string file = Dotted(fixed->dwFileVersionMS, fixed->dwFileVersionLS);
    EXPECT_EQ(Dotted(fixed->dwProductVersionMS, fixed->dwProductVersionLS), file);
    EXPECT_EQ(version.Text("FileVersion"), file);
    EXPECT_EQ(version.Text("ProductVersion"), file);
    // The strings are in the one language the translation table names.
    const auto* translation = static_cast<const WORD*>(version.Value("\\VarFileInfo\\Translation", &length));
    ASSERT_NE(translation, nullptr);
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(translation[0], 0x0409);
    EXPECT_EQ(translation[1], 1200);
    EXPECT_EQ(version.Text("OriginalFilename"), "corvane.exe");
}

TEST(ProgramVersion, NamesTheProductAsTheAboutBoxDoes) {
    const VersionResource version(ProgramPath());
    ASSERT_TRUE(version.read());
    EXPECT_EQ(version.Text("ProductName"), "Corvane");
    EXPECT_EQ(version.Text("FileDescription"), "Corvane heap viewer");

    // The About box of the same resource script: its legal line and title.
    CAboutDlg about;
    ASSERT_TRUE(testing::ShowTestDialog(about));
    const std::string legal = testing::WindowText(::GetDlgItem(about.GetSafeHwnd(), IDC_ABOUT_LEGAL));
    const std::string title = testing::WindowText(::GetDlgItem(about.GetSafeHwnd(), IDC_ABOUT_TITLE));
    about.DestroyWindow();
    EXPECT_EQ(version.Text("LegalCopyright"), legal);
    // "Corvane 3.0" for version 3.0.0.0.
    UINT length = 0;
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(version.Value("\\", &length));
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(title, "Corvane " + std::to_string(fixed->dwProductVersionMS >> 16) + "." +
                         std::to_string(fixed->dwProductVersionMS & 0xFFFF));
}

// corvane.exe running, with no argument, until the object goes.
class RunningProgram {
public:
    RunningProgram() {
        std::string command = "\"" + ProgramPath() + "\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info = {};
        if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
            return;
        m_process.reset(info.hProcess);
        ::CloseHandle(info.hThread);
    }
    ~RunningProgram() {
        if (!m_process) return;
        ::TerminateProcess(m_process.get(), 0);
        ::WaitForSingleObject(m_process.get(), 5000);
    }
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;
    HANDLE process() const { return m_process.get(); }

private:
    UniqueHandle m_process;
};

// The full path of each module the process has loaded.
std::vector<std::string> ModulePaths(HANDLE process) {
    std::vector<HMODULE> modules(512);
    DWORD needed = 0;
    if (!::EnumProcessModulesEx(process, modules.data(), static_cast<DWORD>(modules.size() * sizeof(HMODULE)), &needed,
                                LIST_MODULES_ALL))
        return {};
    modules.resize(std::min<std::size_t>(modules.size(), needed / sizeof(HMODULE)));
    std::vector<std::string> paths;
    for (HMODULE module : modules) {
        char path[MAX_PATH] = {};
        if (::GetModuleFileNameExA(process, module, path, MAX_PATH)) paths.push_back(path);
    }
    return paths;
}

TEST(RunningProgram, UsesCommonControlsSix) {
    // The loader takes comctl32 from the side-by-side folder of the assembly
    // the manifest names (system32 holds version 5). Wine's comctl32 reports
    // 5.81 from DllGetVersion and in its file version even then, so the
    // folder is what tells.
    RunningProgram program;
    ASSERT_NE(program.process(), nullptr) << "cannot start " << ProgramPath();
    ASSERT_EQ(::WaitForInputIdle(program.process(), 20000), 0u) << "its window did not come up";
    std::vector<std::string> controls;
    for (const std::string& path : ModulePaths(program.process()))
        if (Lower(path.substr(path.find_last_of('\\') + 1)) == "comctl32.dll") controls.push_back(Lower(path));
    ASSERT_EQ(controls.size(), 1u);
    EXPECT_NE(controls[0].find("\\winsxs\\"), std::string::npos) << controls[0];
    EXPECT_NE(controls[0].find("_microsoft.windows.common-controls_6595b64144ccf1df_6."), std::string::npos)
        << controls[0];
}

} // namespace
} // namespace corvane
