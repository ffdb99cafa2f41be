#include "Devices.h"
#include "Output.h"

#include <SDL2/SDL.h>

#include <cstring>
#include <mutex>
#include <set>
#include <vector>

namespace bass {

namespace {

constexpr const char* kNoSound = "No sound";
constexpr const char* kDefault = "Default output";

struct DeviceList {
    std::mutex mutex;
    std::set<std::string> names;  // node-based: the pointers handed out stay valid
    std::vector<Device> devices;
    bool listed = false;

    const char* keep(const std::string& name) { return names.insert(name).first->c_str(); }

    void refresh() {
        devices.clear();
        if (startSdlAudio()) {
            // The dummy driver has no device to hear; it is the null output's job.
            const char* driver = SDL_GetCurrentAudioDriver();
            int count = driver && std::strcmp(driver, "dummy") != 0 ? SDL_GetNumAudioDevices(0) : 0;
            if (count > 0)
                devices.push_back({Device::Kind::Default, {}, keep(kDefault)});
            for (int i = 0; i < count; ++i) {
                const char* name = SDL_GetAudioDeviceName(i, 0);
                if (name)
                    devices.push_back({Device::Kind::Named, name, keep(name)});
            }
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
        }
        devices.push_back({Device::Kind::Null, {}, keep(kNoSound)});
        listed = true;
    }
};

DeviceList& list() {
    static DeviceList l;
    return l;
}

}  // namespace

bool findDevice(int number, Device& out) {
    DeviceList& l = list();
    std::lock_guard<std::mutex> lock(l.mutex);
    if (number == 0) {
        out = {Device::Kind::Null, {}, l.keep(kNoSound)};
        return true;
    }
    if (!l.listed || number == 1)
        l.refresh();
    if (number < 1 || size_t(number) > l.devices.size())
        return false;
    out = l.devices[size_t(number - 1)];
    return true;
}

}  // namespace bass
