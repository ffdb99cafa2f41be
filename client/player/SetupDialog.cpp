#include "SetupDialog.h"

#include <tormakelin/sound/SoundDevice.h>

#include <commctrl.h>
#include <tormakelin_win32.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <list>

namespace tormakelin::client {
namespace {

char const* aspectSuffix(render::AspectRatio aspect)
{
    switch (aspect) {
    case render::AspectRatio_4x3: return " 4:3";
    case render::AspectRatio_16x9: return " 16:9";
    case render::AspectRatio_16x10: return " 16:10";
    default: return " -";
    }
}

bool isVgaMode(render::DisplayMode const& mode)
{
    return mode.width == 640 && mode.height == 480;
}

// The entry to preselect for the author's aspect class; the first when nothing matches.
int preferredMode(std::vector<render::DisplayMode> const& modes, render::AspectRatio authorAspect)
{
    for (size_t i = 0; i < modes.size(); ++i) {
        render::AspectRatio const aspect = render::getAspectRatio(modes[i]);
        bool const match = authorAspect == render::AspectRatio_16x9 || authorAspect == render::AspectRatio_16x10
            ? aspect == authorAspect
            : isVgaMode(modes[i]);
        if (match)
            return int(i);
    }
    return 0;
}

// The key of the selected entry; the fallback when the list is empty or nothing is selected.
int selectedKey(HWND dialog, int id, int fallback)
{
    int const index = fxcore::ResourceDialog::getComboSelection(dialog, id);
    if (index < 0)
        return fallback;
    int const key = fxcore::ResourceDialog::getComboKey(dialog, id, index);
    return key == CB_ERR ? fallback : key;
}

float gammaOf(int position)
{
    return float(position) / 20.0f + 0.5f;
}

win32::DialogTemplate setupTemplate()
{
    win32::DialogTemplate t;
    t.caption = "Tormakelin-FX Client";
    t.font = "MS Shell Dlg";
    t.width = 220;
    t.height = 196;
    auto add = [&](win32::ControlKind kind, int id, char const* text, int x, int y, int w, int h) {
        t.controls.push_back(win32::DialogControl{kind, id, text, x, y, w, h, 0});
    };
    using K = win32::ControlKind;
    add(K::GroupBox, -1, "Display", 5, 4, 210, 112);
    add(K::Static, -1, "Device:", 12, 18, 46, 10);
    add(K::ComboBox, kDisplayDevice, "", 74, 16, 134, 80);
    add(K::CheckBox, kDisplayAutodetect, "Autodetect", 74, 31, 80, 10);
    add(K::Static, -1, "Resolution:", 12, 46, 46, 10);
    add(K::ComboBox, kResolution, "", 74, 44, 134, 120);
    add(K::Static, -1, "Multisampling:", 12, 62, 60, 10);
    add(K::ComboBox, kMultisampling, "", 74, 60, 134, 120);
    add(K::CheckBox, kFullscreen, "Fullscreen", 74, 77, 64, 10);
    add(K::CheckBox, kVerticalSync, "Vertical sync", 136, 77, 70, 10);
    add(K::Static, -1, "Gamma:", 12, 94, 46, 10);
    add(K::Trackbar, kGamma, "", 74, 92, 100, 14);
    add(K::Static, kGammaLabel, "1.0", 180, 94, 28, 10);
    add(K::GroupBox, -1, "Audio", 5, 120, 210, 50);
    add(K::Static, -1, "Device:", 12, 134, 46, 10);
    add(K::ComboBox, kAudioDevice, "", 74, 132, 134, 80);
    add(K::CheckBox, kAudioAutodetect, "Autodetect", 74, 150, 64, 10);
    add(K::CheckBox, kNoSound, "No sound", 136, 150, 70, 10);
    add(K::DefaultButton, IDOK, "Run", 110, 176, 50, 14);
    add(K::Button, IDCANCEL, "Exit", 165, 176, 50, 14);
    return t;
}

// A small emblem: a bright ring on a dark tile.
std::vector<uint8_t> iconPixels(int size)
{
    std::vector<uint8_t> rgba(size_t(size) * size * 4);
    float const centre = (float(size) - 1.0f) / 2.0f;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            float const distance = std::hypot(float(x) - centre, float(y) - centre) / centre;
            bool const ring = distance > 0.55f && distance < 0.85f;
            uint8_t* pixel = &rgba[(size_t(y) * size + x) * 4];
            pixel[0] = ring ? 255 : 24;
            pixel[1] = ring ? uint8_t(120 + 120 * float(y) / float(size)) : 24;
            pixel[2] = 40;
            pixel[3] = 255;
        }
    }
    return rgba;
}

// Modes of a known aspect class, each size once, narrowest first (equal widths keep their order).
std::vector<render::DisplayMode> offeredModes(std::vector<render::DisplayMode> const& all)
{
    std::vector<render::DisplayMode> kept;
    for (render::DisplayMode const& mode : all) {
        if (render::getAspectRatio(mode) == render::AspectRatio_Other)
            continue;
        bool const seen = std::any_of(kept.begin(), kept.end(), [&](render::DisplayMode const& k) {
            return k.width == mode.width && k.height == mode.height;
        });
        if (!seen)
            kept.push_back(mode);
    }
    std::stable_sort(kept.begin(), kept.end(),
        [](render::DisplayMode const& a, render::DisplayMode const& b) { return a.width < b.width; });
    return kept;
}

// The gamma label's text for a trackbar position.
std::string gammaText(int position)
{
    char text[32];
    auto const result = std::to_chars(text, text + sizeof(text), gammaOf(position), std::chars_format::fixed, 1);
    return std::string(text, result.ptr);
}

} // namespace

SetupDialog::SetupDialog(HINSTANCE instance, std::string title, int authorWidth, int authorHeight, bool fullscreen)
    : m_instance(instance)
    , m_title(std::move(title))
    , m_fullscreenDefault(fullscreen)
    , m_aspect(render::getAspectRatio(render::DisplayMode{uint32_t(std::max(authorWidth, 0)),
          uint32_t(std::max(authorHeight, 0)), 0}))
{
    m_results.width = unsigned(std::max(authorWidth, 0));
    m_results.height = unsigned(std::max(authorHeight, 0));
    m_results.fullscreen = fullscreen;
}

bool SetupDialog::run()
{
    std::vector<render::DisplayMode> all;
    render::getDisplayModes(all);
    m_modes = offeredModes(all);
    return doModal(nullptr, fxcore::ResourceDialogModal);
}

INT_PTR SetupDialog::onMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        initialise(dialog);
        return TRUE;
    case WM_HSCROLL:
        setText(dialog, kGammaLabel, gammaText(getSliderPos(dialog, kGamma)));
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            readResults(dialog);
            EndDialog(dialog, 1);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, 0);
            return TRUE;
        }
        break;
    default:
        break;
    }
    return ResourceDialog::onMessage(dialog, message, wParam, lParam);
}

void SetupDialog::initialise(HWND dialog)
{
    SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(LoadIconA(m_instance, MAKEINTRESOURCEA(kPlayerIconId))));
    if (!m_title.empty())
        SetWindowTextA(dialog, m_title.c_str());

    std::list<render::DeviceDesc> devices;
    render::enumDevices(devices);
    for (render::DeviceDesc const& device : devices)
        addComboItem(dialog, kDisplayDevice, device.identifier.Description, int(device.adapter));
    setComboSelection(dialog, kDisplayDevice, 0);

    fillResolutions(dialog);

    addComboItem(dialog, kMultisampling, "None", 0);
    for (int samples = 2; samples <= 16; ++samples)
        addComboItem(dialog, kMultisampling, std::to_string(samples) + " Sample(s)", samples);
    setComboSelection(dialog, kMultisampling, 1);

    setCheck(dialog, kDisplayAutodetect, true);
    setCheck(dialog, kFullscreen, m_fullscreenDefault);
    setCheck(dialog, kVerticalSync, false);
    setSliderRange(dialog, kGamma, 0, 20);
    setSliderPos(dialog, kGamma, 10);

    std::list<sound::SoundDeviceDesc> audio;
    sound::enumDevices(audio);
    for (sound::SoundDeviceDesc const& device : audio)
        addComboItem(dialog, kAudioDevice, device.description, device.device);
    setComboSelection(dialog, kAudioDevice, 0);
    setCheck(dialog, kAudioAutodetect, true);
    setCheck(dialog, kNoSound, false);

    setText(dialog, kGammaLabel, gammaText(getSliderPos(dialog, kGamma)));
}

void SetupDialog::fillResolutions(HWND dialog)
{
    for (size_t i = 0; i < m_modes.size(); ++i) {
        char text[64];
        std::snprintf(text, sizeof(text), "%ux%u%s", unsigned(m_modes[i].width), unsigned(m_modes[i].height),
            aspectSuffix(render::getAspectRatio(m_modes[i])));
        addComboItem(dialog, kResolution, text, int(i));
    }
    setComboSelection(dialog, kResolution, preferredMode(m_modes, m_aspect));
}

void SetupDialog::readResults(HWND dialog)
{
    int const mode = selectedKey(dialog, kResolution, -1);
    if (mode >= 0 && size_t(mode) < m_modes.size()) {
        m_results.width = m_modes[size_t(mode)].width;
        m_results.height = m_modes[size_t(mode)].height;
    }
    m_results.multiSample = selectedKey(dialog, kMultisampling, m_results.multiSample);
    m_results.displayAutodetect = getCheck(dialog, kDisplayAutodetect);
    if (!m_results.displayAutodetect)
        m_results.displayDevice = selectedKey(dialog, kDisplayDevice, 0);
    m_results.gamma = gammaOf(getSliderPos(dialog, kGamma));
    m_results.verticalSync = getCheck(dialog, kVerticalSync);
    m_results.fullscreen = getCheck(dialog, kFullscreen);
    m_results.audioAutodetect = getCheck(dialog, kAudioAutodetect);
    m_results.noSound = getCheck(dialog, kNoSound);
    m_results.audioDevice = selectedKey(dialog, kAudioDevice, -1);
}

void registerPlayerResources(HINSTANCE module)
{
    win32::registerDialogTemplate(module, MAKEINTRESOURCEA(kSetupDialogId), setupTemplate());
    constexpr int kIconSize = 32;
    win32::registerIcon(module, MAKEINTRESOURCEA(kPlayerIconId), kIconSize, kIconSize, iconPixels(kIconSize));
}

} // namespace tormakelin::client
