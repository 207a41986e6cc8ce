#include "config/home_page_link.h"

#include <chrono>

#include <QDesktopServices>
#include <QUrl>

#include <gtest/gtest.h>

#include "config_test_support.h"

namespace orvane {
namespace {

using test::readText;
using test::writeText;

constexpr const char* kAddress = "https://example.org/";

// A folder's modification time moves whenever a file is made in it or removed from it.
std::filesystem::file_time_type anHourAgo() {
    return std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
}

TEST(HomePageLink, ProbeFileIsMadeAndRemovedBeforeThePageOpens) {
    test::TempFolder folder;
    test::RecordingServices recorder;
    const auto before = anHourAgo();
    std::filesystem::last_write_time(folder.path(), before);
    openHomePage(folder.path(), kAddress, recorder.make(folder.path()).openWebPage);
    EXPECT_GT(std::filesystem::last_write_time(folder.path()), before);  // it came and went
    EXPECT_FALSE(std::filesystem::exists(folder.file("TheOrvane.htm")));
    EXPECT_EQ(recorder.probeAtOpen, std::vector<bool>{false});
    EXPECT_EQ(recorder.openedAddresses, QStringList{kAddress});
}

TEST(HomePageLink, AnExistingProbeFileIsLeftAlone) {
    test::TempFolder folder;
    test::RecordingServices recorder;
    writeText(folder.file("TheOrvane.htm"), "<p>mine</p>");
    const auto before = anHourAgo();
    std::filesystem::last_write_time(folder.file("TheOrvane.htm"), before);
    std::filesystem::last_write_time(folder.path(), before);
    openHomePage(folder.path(), kAddress, recorder.make(folder.path()).openWebPage);
    EXPECT_EQ(readText(folder.file("TheOrvane.htm")), "<p>mine</p>");
    EXPECT_EQ(std::filesystem::last_write_time(folder.file("TheOrvane.htm")), before);
    EXPECT_EQ(std::filesystem::last_write_time(folder.path()), before);
    EXPECT_EQ(recorder.openedAddresses, QStringList{kAddress});
}

TEST(HomePageLink, AFolderWithoutRoomStillOpensThePage) {
    test::TempFolder folder;
    test::RecordingServices recorder;
    const std::filesystem::path missing = folder.file("gone");
    openHomePage(missing, kAddress, recorder.make(missing).openWebPage);
    EXPECT_EQ(recorder.openedAddresses, QStringList{kAddress});
    EXPECT_FALSE(std::filesystem::exists(missing));
}

// Stands in for the desktop's handler of web addresses.
class AddressCatcher : public QObject {
    Q_OBJECT

public:
    Q_INVOKABLE void open(const QUrl& url) { urls << url; }
    QList<QUrl> urls;
};

TEST(HomePageLink, TheDesktopsWebAddressHandlerGetsTheAddress) {
    AddressCatcher catcher;
    QDesktopServices::setUrlHandler("https", &catcher, "open");
    desktopConfigServices().openWebPage(kAddress);
    QDesktopServices::unsetUrlHandler("https");
    EXPECT_EQ(catcher.urls, QList<QUrl>{QUrl(kAddress)});
}

}  // namespace
}  // namespace orvane

#include "home_page_link_test.moc"
