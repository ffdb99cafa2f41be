#pragma once
// A data pack of small media made in memory (images, a cube map, a GIF, an atlas, a scene, a
// sound), mounted as the only source of files, with a headless device and a hand-driven sound
// device to load them into.

#include "DeviceTestSupport.h"

#include <tormakelin/core/FileSystem.h>
#include <tormakelin/core/SmartRef.h>
#include <tormakelin/fxcore/GifDecoder.h>
#include <tormakelin/sound/SoundDevice.h>

#include <bass_test.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tormakelin::fxcore::test {

using Bytes = std::vector<uint8_t>;

// The files every pack holds, by name.
inline constexpr char kPackImage[] = "images/logo.png";
inline constexpr char kPackCube[] = "images/sky.dds";
inline constexpr char kPackGif[] = "anim/spin.gif";
inline constexpr char kPackAtlas[] = "atlas/sprites.atl";
inline constexpr char kPackScene[] = "scenes/box.k3d";
inline constexpr char kPackSound[] = "music/tone.wav";
inline constexpr char kPackFont[] = "fonts/sans.ttf";
inline constexpr char kSystemFont[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// Three 2 x 2 frames with delays 10, 20, 30 and the second one kept beneath the others.
Bytes threeFrameGif();

inline Bytes textBytes(std::string const& text)
{
    return Bytes(text.begin(), text.end());
}

inline Bytes fileBytes(char const* path)
{
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), {});
}

// A scene with one texture that names the pack's image.
Bytes sceneWithTexture();

// The pack, the devices and the file system that reads from it, for as long as it lives.
class MediaPack {
public:
    MediaPack();

    ~MediaPack()
    {
        m_sound = nullptr;
        BASS_TestSetManualOutput(FALSE);
        m_device = nullptr;
        m_fileSystem = nullptr;
        std::filesystem::remove_all(m_folder);
    }

    MediaPack(MediaPack const&) = delete;
    MediaPack& operator=(MediaPack const&) = delete;

    bool ready() const { return m_ready; }

    // A file for the pack; mount again to see it.
    void put(std::string const& name, Bytes const& bytes)
    {
        std::filesystem::path const path = m_folder / "files" / name;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<char const*>(bytes.data()), long(bytes.size()));
    }

    // Packs the files and reads from the pack alone.
    bool mount();

    render::IRenderDevice* device() const { return m_device.get(); }
    // Where a pack file lies on disk, as a user would pick it.
    std::string diskPath(std::string const& name) const { return (m_folder / "files" / name).string(); }
    // Reads from the disk instead of the pack, names inside the pack's folder too.
    void readDisk()
    {
        m_fileSystem->setUseZip(false);
        m_fileSystem->setUseDisk(true);
        m_fileSystem->addSearchPath((m_folder / "files").string() + "/");
    }

private:
    std::filesystem::path m_folder;
    core::SmartRef<core::IFileSystem> m_fileSystem;
    HiddenWindow m_window;
    core::SmartRef<render::IRenderDevice> m_device;
    core::SmartRef<sound::ISoundDevice> m_sound;
    bool m_ready = false;
};

} // namespace tormakelin::fxcore::test
