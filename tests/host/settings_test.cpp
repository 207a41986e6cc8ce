#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>
#include <sys/stat.h>
#include <unistd.h>
#ifdef _WIN32
#include <windows.h>

#include <algorithm>
#include <cwctype>
#endif

#include "host/ini_file.h"
#include "host/settings.h"
#include "support/settings_invariants.h"
#include "support/temp_dir.h"

namespace orvane {

#ifdef _WIN32
void PrintTo(const WindowsSettingsFiles& files, std::ostream* out) {
    *out << "read " << files.read.string() << ", save " << files.save.string();
}
#endif

namespace {

Settings loadFrom(std::string_view text) { return loadSettings(IniFile(text)); }

TEST(Settings, NoFileGivesEveryDefault) {
    const Settings s = loadFrom("");
    EXPECT_EQ(s, Settings{});
    EXPECT_EQ(s.phoneNumber, "5550690");
    EXPECT_EQ(s.userName, "Kel");
    EXPECT_EQ(s.userMode, 1);
    EXPECT_EQ(s.dateTimeMode, 0);
    EXPECT_TRUE(s.showIntro);
    EXPECT_TRUE(s.showTitle);
    EXPECT_EQ(std::make_tuple(s.tintR, s.tintG, s.tintB), std::make_tuple(80, 248, 7));
    EXPECT_EQ(std::make_tuple(s.highlightR, s.highlightG, s.highlightB), std::make_tuple(230, 253, 157));
    EXPECT_EQ(s.overallSpeed, 2400);
    EXPECT_DOUBLE_EQ(s.densityFraction, 0.4);
    EXPECT_EQ(s.variance, 130);
    EXPECT_EQ(s.suspendTimeout, 0);
    EXPECT_FALSE(s.useEscapeLmbExit);
}

TEST(Settings, IntegersAreClampedToTheirRanges) {
    const struct {
        const char* line;
        std::int32_t Settings::*field;
        std::int32_t expected;
    } cases[] = {
        {"TintR=300", &Settings::tintR, 255},
        {"TintG=-5", &Settings::tintG, 0},
        {"HighlightB=256", &Settings::highlightB, 255},
        {"OverallSpeed=100", &Settings::overallSpeed, 400},
        {"OverallSpeed=99999", &Settings::overallSpeed, 4000},
        {"Variance=500", &Settings::variance, 200},
        {"Variance=-1", &Settings::variance, 0},
        {"UserMode=-7", &Settings::userMode, -7},          // no range
        {"DateTimeMode=12345", &Settings::dateTimeMode, 12345},
    };
    for (const auto& c : cases) {
        const Settings s = loadFrom(std::string("[Settings]\n") + c.line + "\n");
        EXPECT_EQ(s.*(c.field), c.expected) << c.line;
    }
}

TEST(Settings, DensityIsClampedThenDividedByTen) {
    EXPECT_DOUBLE_EQ(loadFrom("[Settings]\nDensity=0\n").densityFraction, 0.1);
    EXPECT_DOUBLE_EQ(loadFrom("[Settings]\nDensity=25\n").densityFraction, 1.0);
    EXPECT_DOUBLE_EQ(loadFrom("[Settings]\nDensity=7\n").densityFraction, 7 / 10.0);
    for (int density = 1; density <= 10; ++density) {
        EXPECT_EQ(densityKey(density / 10.0), density);
    }
}

TEST(Settings, IntegerTextRules) {
    const struct {
        const char* text;
        std::optional<std::int32_t> value;
    } cases[] = {
        {"0x1F", 31},      {"0X1f", 31},         {"0x7", 7},         {"$1F", 31},
        {"-$10", -16},
        {"+12", 12},       {"-3", -3},           {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},        {"2147483648", std::nullopt},
        {"99999999999", std::nullopt},           {"0xFFFFFFFF", -1}, {"0x100000000", std::nullopt},
        {"", std::nullopt}, {"-", std::nullopt}, {"0x", std::nullopt}, {"12abc", std::nullopt},
        {"abc", std::nullopt}, {"1 2", std::nullopt}, {"0xG", std::nullopt}, {"$", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseIniInteger(c.text), c.value) << '"' << c.text << '"';
    }
    EXPECT_EQ(loadFrom("[Settings]\nTintB=0x1F\n").tintB, 31);
    EXPECT_EQ(loadFrom("[Settings]\nTintB=seven\n").tintB, 7);
    EXPECT_EQ(loadFrom("[Settings]\nTintB=\n").tintB, 7);
}

TEST(Settings, BooleansAreAnyNonZeroInteger) {
    EXPECT_TRUE(loadFrom("[Settings]\nShowTitle=2\n").showTitle);
    EXPECT_FALSE(loadFrom("[Settings]\nShowTitle=0\n").showTitle);
    EXPECT_TRUE(loadFrom("[Settings]\nShowTitle=yes\n").showTitle);  // unreadable: default
    EXPECT_TRUE(loadFrom("[PowerSave]\nUseEscapeLMBExit=-1\n").useEscapeLmbExit);
}

TEST(Settings, PowerSaveKeysAreReadOnlyFromTheirSection) {
    const Settings s = loadFrom("[Settings]\nSuspendTimeout=5\nUseEscapeLMBExit=1\n");
    EXPECT_EQ(s.suspendTimeout, 0);
    EXPECT_FALSE(s.useEscapeLmbExit);
    EXPECT_EQ(loadFrom("[PowerSave]\nSuspendTimeout=-3\n").suspendTimeout, -3);
}

TEST(Settings, StringsAreKeptAsStoredUpTo2047Bytes) {
    EXPECT_EQ(loadFrom("[Settings]\nPhoneNumber=  555 0690  \n").phoneNumber, "555 0690");
    EXPECT_EQ(loadFrom("[Settings]\nUserName=\n").userName, "");
    EXPECT_EQ(loadFrom("[Settings]\nUserName=" + std::string(3000, 'x') + "\n").userName.size(),
              2047u);
}

// A bounded, repeatable run of random files: noise, and noise shaped like settings files.
TEST(Settings, AnyBytesLoadInsideTheRanges) {
    std::uint32_t state = 12345;
    const auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    const char* pieces[] = {"[Settings]", "[PowerSave]", "\n", "\r\n", "=", "TintR", "Density",
                            "OverallSpeed", "Variance", "UserName", "0x", "$", "-", "9999999999",
                            "\xEF\xBB\xBF", ";", " ", "\"", "2147483648", "-2147483648"};
    for (int file = 0; file < 2000; ++file) {
        std::string bytes;
        const int length = static_cast<int>(next() % 200);
        for (int i = 0; i < length; ++i) {
            if (next() % 3 == 0) {
                bytes += static_cast<char>(next() & 0xFF);
            } else {
                bytes += pieces[next() % std::size(pieces)];
                bytes += std::to_string(static_cast<int>(next() % 600) - 100);
            }
        }
        ASSERT_TRUE(test::settingsLoadSoundly(bytes)) << "file " << file;
    }
    const std::string longLine = "[Settings]\nTintG=" + std::string(10 * 1024 * 1024, '9');
    EXPECT_EQ(loadFrom(longLine).tintG, 248);  // too large for 32 bits: the default
    EXPECT_TRUE(test::settingsLoadSoundly(std::string(100000, '\0')));
}

TEST(Settings, WriterStoresTheSeventeenKeysInItsOrder) {
    IniFile file;
    storeSettings(Settings{}, file);
    EXPECT_EQ(file.text(),
              "[Settings]\nPhoneNumber=5550690\nUserName=Kel\nUserMode=1\nShowIntro=1\n"
              "ShowTitle=1\nDateTimeMode=0\nTintR=80\nTintG=248\nTintB=7\nHighlightR=230\n"
              "HighlightG=253\nHighlightB=157\nOverallSpeed=2400\nDensity=4\nVariance=130\n"
              "[PowerSave]\nSuspendTimeout=0\nUseEscapeLMBExit=0\n");
    Settings changed;
    changed.tintR = 1;
    changed.densityFraction = 0.7;
    changed.suspendTimeout = -3;
    storeSettings(changed, file);
    EXPECT_EQ(loadSettings(file), changed);
}

TEST(Settings, FileLivesBesideTheProgramUnlessThatFolderIsReadOnly) {
    test::TempDir dir;
    EXPECT_EQ(settingsFilePath(dir.path()), dir.path() / "TheOrvane.ini");
    const std::filesystem::path program = "/opt/theorvane";
    EXPECT_EQ(chooseSettingsFile(program, true, false, false, "/cfg", "/home/u"),
              program / "TheOrvane.ini");  // a file already there is used
    EXPECT_EQ(chooseSettingsFile(program, false, false, false, "/cfg", "/home/u"),
              std::filesystem::path("/cfg/TheOrvane/TheOrvane.ini"));
    EXPECT_EQ(chooseSettingsFile(program, false, false, false, "", "/home/u"),
              std::filesystem::path("/home/u/.config/TheOrvane/TheOrvane.ini"));
    EXPECT_EQ(chooseSettingsFile(program, false, false, false, "relative", ""),
              program / "TheOrvane.ini");
    // An installed copy keeps per-user settings even where its bin folder is writable (root,
    // or an install into ~/.local); a file already beside it still wins.
    EXPECT_EQ(chooseSettingsFile(program, false, true, true, "", "/home/u"),
              std::filesystem::path("/home/u/.config/TheOrvane/TheOrvane.ini"));
    EXPECT_EQ(chooseSettingsFile(program, true, true, true, "", "/home/u"), program / "TheOrvane.ini");
    EXPECT_EQ(chooseSettingsFile(program, false, true, false, "", "/home/u"), program / "TheOrvane.ini");
}

#ifdef _WIN32
TEST(Settings, OnWindowsAnInstalledCopyKeepsItsSettingsUnderAppData) {
    const std::filesystem::path program = L"C:\\Tools\\Orvane";
    const std::filesystem::path system = L"C:\\Windows\\System32";
    const std::filesystem::path appData = L"C:\\Users\\u\\AppData\\Roaming";
    const std::filesystem::path perUser = appData / L"TheOrvane" / L"TheOrvane.ini";
    using Files = WindowsSettingsFiles;
    const auto choose = [&](const std::filesystem::path& dir, bool fileBeside, bool perUserFile,
                            bool writable, bool systemFolder) {
        return chooseWindowsSettingsFiles(dir, fileBeside, perUserFile, writable, systemFolder, appData);
    };
    const Files beside{program / L"TheOrvane.ini", program / L"TheOrvane.ini"};
    // A folder of its own the user can write keeps the file, whatever is under %APPDATA%.
    EXPECT_EQ(choose(program, true, true, true, false), beside);
    EXPECT_EQ(choose(program, false, true, true, false), beside);
    // The system folder, even where it can be written (an administrator, or Wine), and a folder
    // that cannot be written save into the user's own folder. A file beside the program is
    // where the settings start until that per-user file exists; then the per-user file wins.
    for (const auto& [dir, writable, systemFolder] :
         {std::tuple{system, true, true}, std::tuple{system, false, true},
          std::tuple{program, false, false}}) {
        SCOPED_TRACE(dir.string());
        const std::filesystem::path besideFile = dir / L"TheOrvane.ini";
        EXPECT_EQ(choose(dir, true, false, writable, systemFolder), (Files{besideFile, perUser}));
        EXPECT_EQ(choose(dir, true, true, writable, systemFolder), (Files{perUser, perUser}));
        EXPECT_EQ(choose(dir, false, false, writable, systemFolder), (Files{perUser, perUser}));
    }
    // Without a usable application data folder there is nowhere better than beside the program.
    const Files inSystem{system / L"TheOrvane.ini", system / L"TheOrvane.ini"};
    EXPECT_EQ(chooseWindowsSettingsFiles(system, false, false, true, true, L""), inSystem);
    EXPECT_EQ(chooseWindowsSettingsFiles(system, true, true, false, true, L"Roaming"), inSystem);
}

std::wstring systemDirectory(UINT (WINAPI* query)(LPWSTR, UINT)) {
    wchar_t buffer[MAX_PATH + 1] = {};
    const UINT length = query(buffer, MAX_PATH + 1);
    return std::wstring(buffer, length <= MAX_PATH ? length : 0);
}

TEST(Settings, OnWindowsTheSystemFoldersAreKnownInAnyWriting) {
    const std::wstring system = systemDirectory(GetSystemDirectoryW);
    const std::wstring windows = systemDirectory(GetWindowsDirectoryW);
    ASSERT_FALSE(system.empty());
    ASSERT_FALSE(windows.empty());
    std::wstring upper = system;
    std::transform(upper.begin(), upper.end(), upper.begin(), [](wchar_t c) { return std::towupper(c); });
    std::wstring slashes = system;
    std::replace(slashes.begin(), slashes.end(), L'\\', L'/');
    EXPECT_TRUE(sameWindowsFolder(system, upper + L"\\"));
    EXPECT_TRUE(sameWindowsFolder(system, slashes + L"/"));
    EXPECT_TRUE(sameWindowsFolder(system, windows + L"\\Fonts\\..\\" +
                                              std::filesystem::path(system).filename().wstring()));
    wchar_t shortName[MAX_PATH + 1] = {};
    if (GetShortPathNameW(system.c_str(), shortName, MAX_PATH + 1) > 0) {
        EXPECT_TRUE(sameWindowsFolder(system, shortName)) << std::filesystem::path(shortName).string();
    }
    EXPECT_FALSE(sameWindowsFolder(system, windows));
    EXPECT_FALSE(sameWindowsFolder(system, system + L"x"));
    EXPECT_FALSE(sameWindowsFolder(windows, std::filesystem::path(windows).root_path()));

    // Whatever the folders allow, a copy in either of them keeps its settings under %APPDATA%;
    // a copy in a folder of its own keeps them beside itself and leaves no probe file there.
    const wchar_t* appData = _wgetenv(L"APPDATA");
    ASSERT_NE(appData, nullptr);
    const std::filesystem::path perUser = std::filesystem::path(appData) / L"TheOrvane" / L"TheOrvane.ini";
    EXPECT_TRUE(sameWindowsFolder(settingsFilePath(system).parent_path(), perUser.parent_path()))
        << settingsFilePath(system).string();
    EXPECT_EQ(settingsFilePath(system).filename(), L"TheOrvane.ini");
    EXPECT_TRUE(sameWindowsFolder(settingsFilePath(upper).parent_path(), perUser.parent_path()));
    EXPECT_TRUE(sameWindowsFolder(settingsFilePath(windows).parent_path(), perUser.parent_path()));
    test::TempDir own;
    EXPECT_EQ(settingsFilePath(own.path()), own.path() / L"TheOrvane.ini");
    EXPECT_TRUE(std::filesystem::is_empty(own.path()));
}

// Keeps a file's bytes, or its absence, and puts them back at the end of the test.
class RestoredFile {
public:
    explicit RestoredFile(std::filesystem::path file) : file_(std::move(file)) {
        std::error_code error;
        if (std::filesystem::is_regular_file(file_, error)) {
            bytes_ = test::TempDir::read(file_);
        }
    }
    ~RestoredFile() {
        std::error_code error;
        if (bytes_) {
            std::ofstream(file_, std::ios::binary) << *bytes_;
        } else {
            std::filesystem::remove(file_, error);
        }
    }
    RestoredFile(const RestoredFile&) = delete;
    RestoredFile& operator=(const RestoredFile&) = delete;

private:
    std::filesystem::path file_;
    std::optional<std::string> bytes_;
};

TEST(Settings, OnWindowsACopyInTheSystemFolderStartsFromItsFileAndSavesUnderAppData) {
    const std::filesystem::path system = systemDirectory(GetSystemDirectoryW);
    const wchar_t* appData = _wgetenv(L"APPDATA");
    ASSERT_NE(appData, nullptr);
    const std::filesystem::path perUser = std::filesystem::path(appData) / L"TheOrvane" / L"TheOrvane.ini";
    const std::filesystem::path administrators = system / L"TheOrvane.ini";
    RestoredFile keepPerUser(perUser);
    RestoredFile keepAdministrators(administrators);
    std::error_code error;
    std::filesystem::remove(perUser, error);
    const std::string original = "[Settings]\r\nUserName=Admin\r\n[Site]\r\nKey=kept\r\n";
    if (!(std::ofstream(administrators, std::ios::binary) << original)) {
        GTEST_SKIP() << "only an administrator can put a file into the system folder";
    }
    // The administrator's file is where this user's settings start, and saving them goes to
    // the user's own file, the administrator's left as it was.
    const std::filesystem::path first = settingsFilePath(system);
    EXPECT_TRUE(sameWindowsFolder(first.parent_path(), system)) << first.string();
    const std::filesystem::path target = settingsSaveFile(first);
    EXPECT_TRUE(sameWindowsFolder(target.parent_path(), perUser.parent_path())) << target.string();
    IniFile file = IniFile::load(first);
    file.writeString("Settings", "UserName", "Mine");
    ASSERT_EQ(saveFileAtomically(target, file.text()), "");
    EXPECT_EQ(test::TempDir::read(administrators), original);
    // From then on the user's own file wins, and is saved in place.
    const std::filesystem::path then = settingsFilePath(system);
    EXPECT_TRUE(sameWindowsFolder(then.parent_path(), perUser.parent_path())) << then.string();
    EXPECT_EQ(IniFile::load(then).value("Settings", "UserName"), "Mine");
    EXPECT_EQ(IniFile::load(then).value("Site", "Key"), "kept");
    EXPECT_EQ(settingsSaveFile(then), then);
    // A copy in a folder of its own saves where it reads.
    test::TempDir own;
    EXPECT_EQ(settingsSaveFile(settingsFilePath(own.path())), own.path() / L"TheOrvane.ini");
}
#endif

}  // namespace
}  // namespace orvane
