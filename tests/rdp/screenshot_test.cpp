// Pictures of what a user would see, saved beside the test program in
// "screenshots": a tab with the control connected in place, and a tab with
// the external client embedded.
#include <gtest/gtest.h>

#include "core/file_io.h"
#include "core/paths.h"
#include "core/text.h"
#include "rdp/session_test_support.h"

namespace {

std::string PicturePath(const char* name) {
    const std::string folder = JoinPath(ExeDir(), "screenshots");
    EnsureDir(folder);
    return JoinPath(folder, name);
}

// The picture was taken and is not one flat colour.
void ExpectPicture(const std::string& path) {
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(path, &bytes));
    ASSERT_GT(bytes.size(), 54u + 3 * 1000);
    const std::string pixels = bytes.substr(54);
    EXPECT_NE(pixels.find_first_not_of(pixels[0]), std::string::npos);
}

}  // namespace

class Screenshots : public PeerSession {};

TEST_F(Screenshots, AControlConnectedInPlace) {
    ServerRecord server = TestServer("127.0.0.1", peer.port());
    server.user = "administrator";
    server.domain = "CORP";
    StartConnected(1280, 780, true, server);
    session.SetBounds(RECT{10, 10, 1210, 760});  // the remote resolution follows the tab
    PumpFor(300);
    const std::string path = PicturePath("session-control.bmp");
    ASSERT_TRUE(SaveWindowPicture(SharedTopLevel(), path));
    ExpectPicture(path);
}

TEST_F(Screenshots, AnEmbeddedExternalClient) {
    ASSERT_EQ(control.Unregister(), S_OK);  // no control: the external client is started
    Start(1280, 780, true, TestServer("db01.example", 3390));
    ASSERT_TRUE(PumpUntil([&] { return session.controlWindow() != nullptr; }));
    // Under Wine 8 a window of another process drawn inside this one's
    // window never reaches the screen (not even the X server's own frame
    // buffer), so the picture shows the tab the client was embedded in.
    PumpFor(500);
    const std::string path = PicturePath("session-external-client.bmp");
    ASSERT_TRUE(SaveWindowPicture(SharedTopLevel(), path));
    ExpectPicture(path);
}
