// SIGINT and SIGTERM end a program of this layer as its windows' close boxes would.
#include <gtest/gtest.h>

#include <tormakelin_win32.h>

#include <signal.h>

#include <cstdlib>

#include "test_support.h"

using namespace tormakelin::win32;

namespace {

struct StopSignal {
    const char* name;
    int number;
};

const StopSignal kStopSignals[] = {{"Ctrl+C", SIGINT}, {"a service manager's stop", SIGTERM}};

void pushSdlQuit() {
    SDL_Event e{};
    e.type = SDL_QUIT;
    SDL_PushEvent(&e);
}

// The close box reaches an enabled top-level window on the screen; so does the signal, and only
// there. It arrives with the next look at the queue, and the default procedure closes the window.
// SDL's own quit event, which its signal handlers send when SDL started first, does the same.
TEST(StopSignals, CloseTheWindowsTheCloseBoxWould) {
    const StopSignal cases[] = {kStopSignals[0], kStopSignals[1], {"SDL's quit event", 0}};
    for (const StopSignal& s : cases) {
        SCOPED_TRACE(s.name);
        drain();
        HWND shown = recordingWindow();
        HWND hidden = recordingWindow(WS_POPUP | WS_CAPTION);
        HWND disabled = recordingWindow();
        EnableWindow(disabled, FALSE);
        HWND child = recordingWindow(WS_CHILD | WS_VISIBLE, shown);
        recorded().clear();
        if (s.number) ASSERT_EQ(raise(s.number), 0);
        else pushSdlQuit();
        MSG m;
        ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
        EXPECT_EQ(m.message, UINT(WM_CLOSE));
        EXPECT_EQ(m.hwnd, shown);
        DispatchMessageA(&m);
        EXPECT_FALSE(IsWindow(shown)) << "closed as by its close box";
        EXPECT_FALSE(IsWindow(child));
        drain();
        EXPECT_TRUE(recordedOf(hidden, WM_CLOSE).empty());
        EXPECT_TRUE(recordedOf(disabled, WM_CLOSE).empty());
        EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) << "taken once";
        DestroyWindow(hidden);
        DestroyWindow(disabled);
    }
}

// With no window to close, the program's message loop ends.
TEST(StopSignals, WithoutAWindowEndTheMessageLoop) {
    for (const StopSignal& s : kStopSignals) {
        SCOPED_TRACE(s.name);
        drain();
        ASSERT_EQ(raise(s.number), 0);
        MSG m;
        EXPECT_FALSE(GetMessageA(&m, nullptr, 0, 0));
        EXPECT_EQ(m.message, UINT(WM_QUIT));
        EXPECT_EQ(m.wParam, WPARAM(0));
    }
}

const LPCSTR kAsk = MAKEINTRESOURCEA(301);
bool g_signalOnInit = false;

INT_PTR askProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        if (g_signalOnInit) raise(SIGINT);
        return TRUE;
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

// A modal dialog ends as if its close box was pressed; the next dialog works as before (headless,
// it takes its default button).
TEST(StopSignals, CancelAModalDialogAndLeaveTheNextAlone) {
    DialogTemplate t;
    t.caption = "Ask";
    t.width = 100;
    t.height = 40;
    t.controls.push_back(DialogControl{ControlKind::DefaultButton, IDOK, "OK", 5, 22, 40, 14, 0});
    t.controls.push_back(DialogControl{ControlKind::Button, IDCANCEL, "Cancel", 50, 22, 40, 14, 0});
    registerDialogTemplate(nullptr, kAsk, t);
    drain();
    g_signalOnInit = true;
    EXPECT_EQ(DialogBoxParamA(nullptr, kAsk, nullptr, askProc, 0), INT_PTR(IDCANCEL));
    g_signalOnInit = false;
    EXPECT_EQ(DialogBoxParamA(nullptr, kAsk, nullptr, askProc, 0), INT_PTR(IDOK));
    MSG m;
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) << "no quit left behind";
    unregisterDialogTemplate(nullptr, kAsk);
}

class StopSignalsInAFreshProcess : public ::testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

// SDL started first (as the audio layer may, before any window) installs its own handlers; the
// signal still reaches the window.
TEST_F(StopSignalsInAFreshProcess, SdlStartedFirstStillLetsTheSignalCloseTheWindow) {
    EXPECT_EXIT(
        {
            SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "0");
            if (SDL_InitSubSystem(SDL_INIT_EVENTS) != 0) std::_Exit(2);
            HWND w = recordingWindow();
            raise(SIGTERM);
            MSG m;
            for (int i = 0; i < 20 && IsWindow(w); ++i)
                if (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
            std::_Exit(IsWindow(w) ? 1 : 0);
        },
        ::testing::ExitedWithCode(0), "");
}

// A program that does not look at its messages is not listening: a second signal ends it as the
// signal always would.
TEST_F(StopSignalsInAFreshProcess, ASecondSignalBeforeTheFirstWasTakenEndsTheProgram) {
    for (const StopSignal& s : kStopSignals) {
        SCOPED_TRACE(s.name);
        EXPECT_EXIT(
            {
                recordingWindow();
                raise(s.number);
                raise(s.number);
                std::_Exit(0);
            },
            ::testing::KilledBySignal(s.number), "");
    }
}

}  // namespace
