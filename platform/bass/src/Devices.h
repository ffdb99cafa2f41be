#pragma once
// The output devices as the API numbers them: 1.. the SDL outputs ("Default output" first, when
// the driver has real devices), then "No sound"; 0 is "No sound" too.

#include <string>

namespace bass {

struct Device {
    enum class Kind { Default, Named, Null };
    Kind kind;
    std::string sdlName;     // for Named
    const char* description;  // stays valid for the whole process
};

// False when there is no such device. Lists the devices on first use, and again whenever
// device 1 is asked for, so an enumeration from 1 sees the current list.
bool findDevice(int number, Device& out);

}  // namespace bass
