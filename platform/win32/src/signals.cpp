// Ctrl+C and a service manager's stop end the program as closing its windows does.
#include <signal.h>

#include "win32_state.h"

namespace tormakelin::win32 {
namespace {

volatile sig_atomic_t g_stopRequested = 0;

void onStopSignal(int signal) {
    // A second one before the first was taken: nobody pumps messages, so it ends the program now.
    if (g_stopRequested) {
        ::signal(signal, SIG_DFL);
        raise(signal);
        return;
    }
    g_stopRequested = 1;
}

}  // namespace

// Whoever started SDL first (the audio layer may, before any window) leaves its handler here:
// this one takes its place. One that the parent set to ignore stays ignored (a background job).
void installStopSignals() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGINT, SIGTERM}) {
        struct sigaction current {};
        if (sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) continue;
        sigaction(signal, &action, nullptr);
    }
}

// As the close box: WM_CLOSE to every enabled top-level window on the screen (a modal dialog
// ends as cancelled); WM_QUIT when there is none.
void requestStop() {
    State& s = state();
    bool posted = false;
    for (auto& [handle, w] : s.windows) {
        if (handle == s.desktop || (w->style & WS_CHILD) || !(w->style & WS_VISIBLE) || !w->enabled) continue;
        postWindowMessage(handle, WM_CLOSE, 0, 0);
        posted = true;
    }
    if (!posted) PostQuitMessage(0);
}

void takeStopRequest() {
    if (!g_stopRequested) return;
    g_stopRequested = 0;
    requestStop();
}

}  // namespace tormakelin::win32
