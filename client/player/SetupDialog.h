#pragma once
// The modal dialog that asks for display, multisampling, gamma and audio before playback.

#include <tormakelin/fxcore/ResourceDialog.h>
#include <tormakelin/render/DeviceUtil.h>

#include <string>
#include <vector>

namespace tormakelin::client {

enum SetupDialogIds : int {
    kSetupDialogId = 101,
    kPlayerIconId = 103,
    kDisplayDevice = 1002,
    kResolution = 1003,
    kMultisampling = 1004,
    kDisplayAutodetect = 1005,
    kFullscreen = 1006,
    kVerticalSync = 1007,
    kAudioDevice = 1008,
    kGamma = 1009,
    kAudioAutodetect = 1010,
    kNoSound = 1011,
    kGammaLabel = 1012,
};

struct SetupResults {
    int displayDevice = 0;
    unsigned width = 0;
    unsigned height = 0;
    bool fullscreen = false;
    bool displayAutodetect = true;
    bool verticalSync = false;
    float gamma = 1.0f;
    int multiSample = 2;
    int audioDevice = -1;
    bool audioAutodetect = true;
    bool noSound = false;
};

class SetupDialog : public fxcore::ResourceDialog {
public:
    SetupDialog(HINSTANCE instance, std::string title, int authorWidth, int authorHeight, bool fullscreen);

    // Lists the modes and runs the dialog; true when the user pressed "Run".
    bool run();
    SetupResults const& getResults() const { return m_results; }

    HINSTANCE getInstance() override { return m_instance; }
    int getDialogId() override { return kSetupDialogId; }
    INT_PTR onMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void initialise(HWND dialog);
    void fillResolutions(HWND dialog);
    void readResults(HWND dialog);

    HINSTANCE m_instance;
    std::string m_title;
    bool m_fullscreenDefault;
    render::AspectRatio m_aspect;
    std::vector<render::DisplayMode> m_modes;
    SetupResults m_results;
};

// The dialog's template and the player's icon, registered under the module.
void registerPlayerResources(HINSTANCE module);

} // namespace tormakelin::client
