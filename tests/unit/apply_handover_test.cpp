// The apply hands the picture it has just saved to the wallpaper service, so a route that draws
// the picture itself need not read the bitmap back; after a failed save the file no longer
// holds that picture, and the service gets the path alone.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "harness.h"
#include "shell/main_form.h"
#include "testkit/test_pictures.h"

using namespace vantry;
using vantry::test::Harness;

namespace {

TEST(ApplyHandover, SavedPictureGoesWithThePathUnlessTheSaveFailed) {
    Harness h;
    const auto bmp = vb::encodeBmp24(vb::makeTestPicture(8, 6));
    h.put("img/a.bmp", std::string(bmp.begin(), bmp.end()));
    h.programs.programs["fresco.exe"] = {};
    h.start();
    Main& m = h.app->form<Main>();
    const std::string bitmap = h.windir / "vantry.bmp";

    h.app->deliver([&] { m.previewFile("a.bmp"); });
    ASSERT_TRUE(m.Picture_Preview.picture());
    h.app->deliver([&] {
        m.Save_Wallpaper();
        m.Put_Wallpaper();
    });
    ASSERT_EQ(h.wallpaper.set.size(), 1u);
    EXPECT_EQ(std::filesystem::path(h.wallpaper.set[0]), std::filesystem::path(bitmap));
    EXPECT_EQ(h.wallpaper.handedOver[0], m.Picture_Preview.picture().get());

    // A folder where the bitmap should be: the save fails, the old state stays, and the setter
    // must read what the path holds.
    std::filesystem::remove(bitmap);
    std::filesystem::create_directory(bitmap);
    h.app->deliver([&] {
        m.Save_Wallpaper();
        m.Put_Wallpaper();
    });
    ASSERT_EQ(h.wallpaper.set.size(), 2u);
    EXPECT_EQ(h.wallpaper.handedOver[1], nullptr);
}

// The bitmap is written as the location file is: a link at its name, or another user's file, is
// never written through or over, so what a link points at keeps its content.
TEST(ApplyHandover, ALinkOrAnotherUsersFileAsTheBitmapIsLeftAlone) {
    Harness h;
    const auto bmp = vb::encodeBmp24(vb::makeTestPicture(8, 6));
    h.put("img/a.bmp", std::string(bmp.begin(), bmp.end()));
    h.programs.programs["fresco.exe"] = {};
    h.start();
    Main& m = h.app->form<Main>();
    const std::string bitmap = h.windir / "vantry.bmp";
    vantry::test::writeFile(h.windir / "notes.txt", "notes\n");
    std::filesystem::create_symlink(h.windir / "notes.txt", bitmap);
    h.app->deliver([&] {
        m.previewFile("a.bmp");
        m.Save_Wallpaper();
    });
    EXPECT_EQ(vantry::test::readFile(h.windir / "notes.txt"), "notes\n");
    EXPECT_TRUE(std::filesystem::is_symlink(bitmap));

    if (::geteuid() != 0) GTEST_SKIP() << "making another user's file needs root";
    std::filesystem::remove(bitmap);
    vantry::test::writeFile(bitmap, "theirs\n");
    ASSERT_EQ(::chown(bitmap.c_str(), 65534, 65534), 0);
    h.app->deliver([&] { m.Save_Wallpaper(); });
    EXPECT_EQ(vantry::test::readFile(bitmap), "theirs\n");
}

}  // namespace
