#include "config/home_page_link.h"

#include <gtest/gtest.h>

#include "config_test_support.h"

namespace orvane {
namespace {

using test::readText;
using test::writeText;

constexpr const char* kAddress = "https://example.org/";

TEST(HomePageLink, ProbeFileIsMadeForTheQueryAndRemovedAfterwards) {
    test::TempFolder folder;
    test::RecordingServices recorder;
    openHomePage(folder.path(), kAddress, recorder.make(folder.path()).webPages);
    ASSERT_EQ(recorder.probedFiles.size(), 1u);
    EXPECT_EQ(recorder.probedFiles[0], folder.file("TheOrvane.htm"));
    EXPECT_EQ(recorder.probeContents[0], "test\n");
    EXPECT_FALSE(std::filesystem::exists(folder.file("TheOrvane.htm")));
    EXPECT_EQ(recorder.openedAddresses, QStringList{kAddress});
}

TEST(HomePageLink, AnExistingProbeFileIsLeftAlone) {
    test::TempFolder folder;
    test::RecordingServices recorder;
    writeText(folder.file("TheOrvane.htm"), "<p>mine</p>");
    openHomePage(folder.path(), kAddress, recorder.make(folder.path()).webPages);
    EXPECT_EQ(readText(folder.file("TheOrvane.htm")), "<p>mine</p>");
    EXPECT_EQ(recorder.openedAddresses.size(), 1);
}

TEST(HomePageLink, AFolderWithoutRoomStillOpensThePage) {
    test::TempFolder folder;
    test::RecordingServices recorder;
    const std::filesystem::path missing = folder.file("gone");
    openHomePage(missing, kAddress, recorder.make(missing).webPages);
    EXPECT_EQ(recorder.probeContents, std::vector<std::string>{"<none>"});
    EXPECT_EQ(recorder.openedAddresses, QStringList{kAddress});
    EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST(HomePageLink, DesktopProgramComesFromTheDefaultApplicationsExecLine) {
    // A stand-in xdg-mime on the PATH and a desktop file in a private data folder.
    test::TempFolder folder;
    const std::filesystem::path bin = folder.file("bin");
    const std::filesystem::path apps = folder.file("share") / "applications";
    std::filesystem::create_directories(bin);
    std::filesystem::create_directories(apps);
    writeText(bin / "xdg-mime",
              "#!/bin/sh\n[ \"$1 $2 $3\" = \"query default text/html\" ] && echo web.desktop\n");
    std::filesystem::permissions(bin / "xdg-mime", std::filesystem::perms::owner_all);
    writeText(apps / "web.desktop",
              "[Desktop Action new]\nExec=wrong\n[Desktop Entry]\nName=Web\n"
              "Exec=/opt/web/browser --profile \"my dir\" %U\n");
    const QByteArray oldPath = qgetenv("PATH");
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    qputenv("PATH", QByteArray::fromStdString(bin.string()) + ":" + oldPath);
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(folder.file("share").string()));
    const QStringList command = desktopProgramFor(folder.file("TheOrvane.htm"));
    qputenv("PATH", oldPath);
    qputenv("XDG_DATA_HOME", oldData);
    EXPECT_EQ(command, (QStringList{"/opt/web/browser", "--profile", "my dir"}));
    EXPECT_EQ(desktopProgramFor(folder.file("unknown.zzqq")), QStringList{});
}

}  // namespace
}  // namespace orvane
