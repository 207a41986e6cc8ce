#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>

#include <thread>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "host/ini_file.h"
#include "support/temp_dir.h"

namespace orvane {
namespace {

TEST(IniFile, ReadsKeysWithTheProfileFileRules) {
    const IniFile file(
        "\xEF\xBB\xBF; a comment\r\n"
        "[ settings ]\r\n"
        "  tintr  =  12  \r\n"
        "no equals sign here\r\n"
        ";TintG=99\r\n"
        "TINTR=13\r\n"
        "Name=\"quoted value\"\r\n"
        "Empty=\r\n"
        "[Other]\n"
        "TintG=5");
    EXPECT_EQ(file.value("Settings", "TintR"), "12");  // case and blanks ignored, first wins
    EXPECT_EQ(file.value("Settings", "TintG"), std::nullopt);  // comment and other section
    EXPECT_EQ(file.value("Settings", "Name"), "quoted value");
    EXPECT_EQ(file.value("Settings", "Empty"), "");
    EXPECT_EQ(file.value("Other", "TintG"), "5");  // last line without a line end
    EXPECT_EQ(file.readString("Missing", "Key", "fallback"), "fallback");
}

TEST(IniFile, CutsLongValuesWithoutSplittingACharacter) {
    const std::string kept = "first " + std::string(2040, 'a');
    const std::string value = kept + "\xC3\xA9";  // a two-byte character across the limit
    const IniFile file("[S]\nK=" + value + "\n");
    const auto read = file.value("S", "K");
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, kept);  // the cut takes the end, never the beginning
    EXPECT_EQ(IniFile("[S]\nK=" + std::string(5000, 'b')).value("S", "K")->size(),
              IniFile::kMaxValueLength);
}

TEST(IniFile, WritingKeepsEveryOtherLine) {
    IniFile file("; kept comment\r\n[Settings]\r\nTintR=1\r\nOdd line\r\n\r\n[Mine]\r\nX=y\r\n");
    file.writeString("Settings", "TintR", "200");
    file.writeString("Settings", "TintG", "7");
    file.writeString("PowerSave", "SuspendTimeout", "3");
    EXPECT_EQ(file.text(),
              "; kept comment\r\n[Settings]\r\nTintR=200\r\nTintG=7\r\nOdd line\r\n\r\n"
              "[Mine]\r\nX=y\r\n[PowerSave]\r\nSuspendTimeout=3\r\n");
}

TEST(IniFile, WrittenValuesStayOnOneLine) {
    IniFile file;
    file.writeString("S", "K", "two\nlines");
    EXPECT_EQ(file.text(), "[S]\nK=two lines\n");
    EXPECT_EQ(file.value("S", "K"), "two lines");
}

// The bytes of a UTF-16 LE file, written out independently of the reader's own conversion.
std::string utf16Le(std::u16string_view text) {
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

TEST(IniFile, ReadsAndSavesEachEncodingWindowsEditorsWrite) {
    struct Case {
        const char* what;
        std::string file;
        std::string read;     // UserName as read, UTF-8
        std::string written;  // UserName then written, UTF-8
        std::string saved;    // the file's bytes after that
        bool ansi;            // depends on the ANSI code page being Windows-1252
        bool wellFormed = true;  // so that reading and saving alone gives the same bytes
    };
    const std::string jose = "Jos\xC3\xA9", zoe = "Zo\xC3\xAB", omega = "\xCE\xA9mega";
    const Case cases[] = {
        {"UTF-8", "[S]\r\nUserName=" + jose + "\r\n", jose, zoe, "[S]\r\nUserName=" + zoe + "\r\n", false},
        {"ASCII stays UTF-8 without a mark", "[S]\nUserName=Kel\n", "Kel", omega,
         "[S]\nUserName=" + omega + "\n", false},
        {"UTF-8 up to U+10FFFF", "[S]\nUserName=\xF4\x8F\xBF\xBF\n", "\xF4\x8F\xBF\xBF", zoe,
         "[S]\nUserName=" + zoe + "\n", false},
        {"UTF-8 with a mark", "\xEF\xBB\xBF[S]\nUserName=" + jose, jose, zoe,
         "\xEF\xBB\xBF[S]\nUserName=" + zoe, false},
        {"UTF-16 LE", utf16Le(u"[S]\r\nUserName=Jos\u00E9\r\n"), jose, "\xF0\x9F\x98\x80" + omega,
         utf16Le(u"[S]\r\nUserName=\U0001F600\u03A9mega\r\n"), false},
        {"UTF-16 LE ending in a pair", utf16Le(u"[S]\nUserName=\U0001F600"), "\xF0\x9F\x98\x80",
         "B", utf16Le(u"[S]\nUserName=B"), false},
        {"UTF-16 LE: the last plane's last character read, the first plane past 16 bits written",
         utf16Le(u"[S]\nUserName=\U0010FFFF"), "\xF4\x8F\xBF\xBF", "\xF0\x90\x80\x80",
         utf16Le(u"[S]\nUserName=\U00010000"), false},
        {"UTF-16 LE, broken: a lone surrogate and an odd last byte",
         utf16Le(u"[S]\nUserName=A\xD800") + "B", "A\xEF\xBF\xBD\xEF\xBF\xBD", "B",
         utf16Le(u"[S]\nUserName=B"), false, false},
        {"ANSI", "; caf\xE9\r\n[S]\r\nUserName=Jos\xE9\r\n", jose, zoe,
         "; caf\xE9\r\n[S]\r\nUserName=Zo\xEB\r\n", true},
        {"ANSI, the code page's own 0x80..0x9F (its five gaps as themselves), then 0xA0 as itself",
         "[S]\nUserName=\x80\x81\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8D\x8E\x8F"
         "\x90\x91\x92\x93\x94\x95\x96\x97\x98\x99\x9A\x9B\x9C\x9D\x9E\x9F\xA0\n",
         "\xE2\x82\xAC\xC2\x81\xE2\x80\x9A\xC6\x92\xE2\x80\x9E\xE2\x80\xA6\xE2\x80\xA0\xE2\x80\xA1"
         "\xCB\x86\xE2\x80\xB0\xC5\xA0\xE2\x80\xB9\xC5\x92\xC2\x8D\xC5\xBD\xC2\x8F\xC2\x90"
         "\xE2\x80\x98\xE2\x80\x99\xE2\x80\x9C\xE2\x80\x9D\xE2\x80\xA2\xE2\x80\x93\xE2\x80\x94"
         "\xCB\x9C\xE2\x84\xA2\xC5\xA1\xE2\x80\xBA\xC5\x93\xC2\x9D\xC5\xBE\xC5\xB8\xC2\xA0",
         "\xE2\x80\x9Cq\xE2\x80\x9D", "[S]\nUserName=\x93q\x94\n", true},
        {"ANSI: a lone 0x80 is the euro sign, not UTF-8", "[S]\nUserName=\x80\n", "\xE2\x82\xAC",
         zoe, "[S]\nUserName=Zo\xEB\n", true},
        {"ANSI given a name outside it: all of it UTF-8 with a mark",
         "; caf\xE9\r\n[S]\r\nUserName=Jos\xE9\r\n", jose, omega,
         "\xEF\xBB\xBF; caf\xC3\xA9\r\n[S]\r\nUserName=" + omega + "\r\n", true},
        {"overlong UTF-8 is not UTF-8", "[S]\nUserName=\xC0\xAF\n", "\xC3\x80\xC2\xAF", "x",
         "[S]\nUserName=x\n", true},
        {"U+FFFF in four bytes is overlong too", "[S]\nUserName=\xF0\x8F\xBF\xBF\n",
         "\xC3\xB0\xC2\x8F\xC2\xBF\xC2\xBF", "x", "[S]\nUserName=x\n", true},
    };
#ifdef _WIN32
    const bool westernAnsi = GetACP() == 1252 || GetACP() == CP_UTF8;
#else
    const bool westernAnsi = true;
#endif
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.ansi && !westernAnsi) {
            continue;  // the ANSI rows are written for Windows-1252
        }
        IniFile file(c.file);
        EXPECT_EQ(file.value("S", "UserName"), c.read);
        if (c.wellFormed) {
            EXPECT_EQ(file.text(), c.file) << "reading alone changes nothing";
        }
        file.writeString("S", "UserName", c.written);
        EXPECT_EQ(file.text(), c.saved);
        EXPECT_EQ(IniFile(file.text()).value("S", "UserName"), c.written);
    }
}

TEST(IniFile, UnreadableFilesLoadEmpty) {
    test::TempDir dir;
    EXPECT_EQ(IniFile::load(dir.path() / "missing.ini").text(), "");
    std::filesystem::create_directory(dir.path() / "folder.ini");
    EXPECT_EQ(IniFile::load(dir.path() / "folder.ini").text(), "");
    const auto binary = dir.write("binary.ini", std::string("\0\xFF[S]\0K=1\n", 10));
    EXPECT_NO_THROW(IniFile::load(binary));
#ifndef _WIN32
    if (::geteuid() != 0) {  // root reads whatever the permissions say
        const auto locked = dir.write("locked.ini", "[S]\nK=1\n");
        ::chmod(locked.c_str(), 0);
        EXPECT_EQ(IniFile::load(locked).value("S", "K"), std::nullopt);
    }
#endif
}

TEST(IniFile, SavesThroughATemporaryFileAndReportsFailure) {
    test::TempDir dir;
    const auto file = dir.write("TheOrvane.ini", "old");
    EXPECT_EQ(saveFileAtomically(file, "new"), "");
    EXPECT_EQ(test::TempDir::read(file), "new");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / ".TheOrvane.ini.tmp"));

    const std::string reason =
        saveFileAtomically(dir.path() / "no-such-folder" / "deeper" / "x.ini", "new");
    EXPECT_FALSE(reason.empty());
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "no-such-folder"));
}

#ifndef _WIN32
TEST(IniFile, SavingKeepsTheFilesModeAndLinks) {
    test::TempDir dir;
    const auto target = dir.write("real.ini", "old");
    ::chmod(target.c_str(), 0640);
    const auto link = dir.path() / "TheOrvane.ini";
    std::filesystem::create_symlink(target, link);
    EXPECT_EQ(saveFileAtomically(link, "new"), "");
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(test::TempDir::read(target), "new");
    struct stat after {};
    ASSERT_EQ(::stat(target.c_str(), &after), 0);
    EXPECT_EQ(after.st_mode & 0777, 0640u);
}

TEST(IniFile, AReadOnlySettingsFileIsNotReplaced) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root may write any file; the end-to-end test runs this as another user";
    }
    test::TempDir dir;
    const auto file = dir.write("TheOrvane.ini", "old");
    ::chmod(file.c_str(), 0444);
    EXPECT_FALSE(saveFileAtomically(file, "new").empty());
    EXPECT_EQ(test::TempDir::read(file), "old");
}

#else
TEST(IniFile, AReadOnlySettingsFileIsNotReplaced) {
    test::TempDir dir;
    const auto file = dir.write("TheOrvane.ini", "old");
    ASSERT_TRUE(SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(saveFileAtomically(file, "new").empty());
    EXPECT_EQ(test::TempDir::read(file), "old");
    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(saveFileAtomically(file, "new"), "");
    EXPECT_EQ(test::TempDir::read(file), "new");
}

// Holds a file open without delete sharing, as an indexer or a virus scanner does, until a
// time is up or the holder goes out of scope.
class BusyFile {
public:
    BusyFile(const std::filesystem::path& file, DWORD holdMs)
        : handle_(CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr)),
          release_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          holder_([this, holdMs] {
              WaitForSingleObject(release_, holdMs);
              CloseHandle(handle_);
          }) {}
    ~BusyFile() {
        SetEvent(release_);
        holder_.join();
        CloseHandle(release_);
    }
    bool held() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
    HANDLE release_;
    std::thread holder_;
};

TEST(IniFile, ASaveWaitsAMomentForABusyFileAndFailsCleanlyAfterThat) {
    test::TempDir dir;
    const auto file = dir.write("TheOrvane.ini", "old");
    const auto temporary = dir.path() / ".TheOrvane.ini.tmp";
    {
        BusyFile busy(file, 1000);
        ASSERT_TRUE(busy.held());
        EXPECT_EQ(saveFileAtomically(file, "new"), "");
    }
    EXPECT_EQ(test::TempDir::read(file), "new");
    EXPECT_FALSE(std::filesystem::exists(temporary));
    {
        BusyFile busy(file, 30000);
        const ULONGLONG start = GetTickCount64();
        EXPECT_FALSE(saveFileAtomically(file, "lost").empty());
        EXPECT_GE(GetTickCount64() - start, 3000u) << "a busy file is waited for at least 3 s";
    }
    EXPECT_EQ(test::TempDir::read(file), "new");
    EXPECT_FALSE(std::filesystem::exists(temporary));
}

TEST(IniFile, TheFirstSaveMakesThePerUserFolder) {
    test::TempDir dir;
    const auto file = dir.path() / "TheOrvane" / "TheOrvane.ini";
    EXPECT_EQ(saveFileAtomically(file, "[Settings]\n"), "");
    EXPECT_EQ(test::TempDir::read(file), "[Settings]\n");
    EXPECT_EQ(saveFileAtomically(file, "again"), "");  // the folder now exists: no error
    EXPECT_EQ(test::TempDir::read(file), "again");
    // A file where the folder should be is reported, not replaced.
    dir.write("Blocked", "keep");
    EXPECT_FALSE(saveFileAtomically(dir.path() / "Blocked" / "TheOrvane.ini", "new").empty());
    EXPECT_EQ(test::TempDir::read(dir.path() / "Blocked"), "keep");
}
#endif

}  // namespace
}  // namespace orvane
