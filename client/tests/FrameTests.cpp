#include "PlayerTestSupport.h"

#include <tormakelin/render/RenderView.h>

namespace tormakelin::client::test {
namespace {

struct LetterboxCase {
    char const* name;
    int authorWidth, authorHeight;
    unsigned backWidth, backHeight;
    bool view;
    DWORD x, y, width, height;
};

TEST_F(PlayerTest, LetterboxViewFitsTheProjectsAspectInTheBackBuffer)
{
    LetterboxCase const cases[] = {
        {"4:3 on 16:9: bars left and right", 64, 48, 160, 90, true, 20, 0, 120, 90},
        {"16:9 on 4:3: bars above and below", 160, 90, 128, 96, true, 0, 12, 128, 72},
        {"same aspect class: no view", 1280, 720, 160, 90, false, 0, 0, 0, 0},
        {"portrait: the whole back buffer", 48, 64, 160, 90, true, 0, 0, 160, 90},
    };
    for (LetterboxCase const& c : cases) {
        SCOPED_TRACE(c.name);
        D3DSimAdapter adapter = d3dsimDefaultAdapter();
        adapter.modes = {D3DDISPLAYMODE{c.backWidth, c.backHeight, 60, D3DFMT_X8R8G8B8}};
        d3dsimSetAdapters({adapter});
        dialogDriver.onDialog = [](HWND dialog, LPCSTR) { SendDlgItemMessageA(dialog, IDOK, BM_CLICK, 0, 0); };
        TestProject project;
        project.showSetupDialog = 1;
        project.authorWidth = c.authorWidth;
        project.authorHeight = c.authorHeight;
        bool view = false;
        D3DVIEWPORT9 viewport{};
        PlayerSeams seams;
        seams.onFrame = [&](PlayerApplication& player) {
            view = player.getLetterboxView() != nullptr;
            if (view)
                viewport = player.getLetterboxView()->getViewport();
            PostMessageA(player.getHandle(), WM_KEYDOWN, VK_ESCAPE, 0);
        };
        PlayerRun const run = play("-document " + project.pack(), false, seams);
        EXPECT_EQ(run.exitCode, 0) << run.errors;
        EXPECT_EQ(view, c.view);
        EXPECT_EQ(viewport.X, c.x);
        EXPECT_EQ(viewport.Y, c.y);
        EXPECT_EQ(viewport.Width, c.width);
        EXPECT_EQ(viewport.Height, c.height);
    }
}

} // namespace
} // namespace tormakelin::client::test
