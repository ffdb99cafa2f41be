#pragma once
// A data pack of small media made in memory (images, a cube map, a GIF, an atlas, a scene, a
// sound), mounted as the only source of files, with a headless device and a hand-driven sound
// device to load them into.

#include "GifWriter.h"
#include "DeviceTestSupport.h"

#include <AudioFixtures.h>
#include <tex_support.h>

#include <tormakelin/core/FileSystem.h>
#include <tormakelin/core/MemStream.h>
#include <tormakelin/core/SmartRef.h>
#include <tormakelin/core/Zip.h>
#include <tormakelin/kavro/Material.h>
#include <tormakelin/kavro/SceneGraph.h>
#include <tormakelin/kavro/Serializer.h>
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
inline Bytes threeFrameGif()
{
    std::vector<GifColor> const colors = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    giftest::GifWriter gif;
    gif.screen(4, 4, colors);
    int const disposals[] = {0, 1, 0};
    for (int i = 0; i < 3; ++i) {
        giftest::Image image;
        image.left = i;
        image.width = 2;
        image.height = 2;
        image.minimumSize = 2;
        image.indices = std::vector<uint8_t>(4, uint8_t(i));
        gif.control(disposals[i], (i + 1) * 10).image(image);
    }
    gif.trailer();
    return gif.bytes();
}

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
inline Bytes sceneWithTexture()
{
    core::SmartRef<kavro::ISceneGraph> const graph(kavro::createSceneGraph());
    core::SmartRef<kavro::ITexture> const texture(kavro::createTexture());
    texture->setFileName(kPackImage);
    graph->addTexture(texture.get());
    core::SmartRef<core::MemStream> const stream(new core::MemStream());
    Bytes out;
    if (!stream->create(nullptr, 0, false, true))
        return out;
    kavro::Serializer serializer;
    serializer.addRef();
    kavro::SerializerParams params;
    params.mode = 1;
    if (serializer.create(stream.get(), params) && graph->serialize(&serializer)) {
        auto const* data = static_cast<uint8_t const*>(stream->getData());
        out.assign(data, data + stream->getSize());
    }
    return out;
}

// The pack, the devices and the file system that reads from it, for as long as it lives.
class MediaPack {
public:
    MediaPack()
    {
        m_folder = std::filesystem::temp_directory_path() /
            ("tormakelin_media_" + std::to_string(getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_folder / "files");
        m_fileSystem = core::createFileSystem();
        m_device = render::createRenderDevice();
        render::DeviceCreateParams params;
        params.width = 32;
        params.height = 32;
        if (!m_device->create(&m_window, params))
            m_device = nullptr;
        BASS_TestSetManualOutput(TRUE);
        m_sound = sound::createSoundDevice();
        bool const sound = m_sound && m_sound->init(-1, 44100);

        Bytes const pixels = texfixture::pattern(4, 4);
        put(kPackImage, texfixture::writeImage(texfixture::Kind::Png, 4, 4, 4, pixels.data()));
        texfixture::DdsLayout cube;
        cube.caps2 = 0xFE00;
        put(kPackCube, texfixture::writeDds(cube, Bytes(6 * 4 * 4 * 4, 0x80)));
        put(kPackGif, threeFrameGif());
        put(kPackAtlas,
            textBytes("<Tormakelin.TextureAtlas Width=\"256\" Height=\"128\" Border=\"1\" TextureFilename=\"" +
                std::string(kPackImage) + "\"><Texture Id=\"a\" Rect=\"64,0,32,32\"/></Tormakelin.TextureAtlas>"));
        put(kPackScene, sceneWithTexture());
        put(kPackSound, audio_fixtures::tone(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 10.0));
        put(kPackFont, fileBytes(kSystemFont));
        m_ready = m_device && sound && mount();
    }

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
    bool mount()
    {
        std::string const pack = (m_folder / "media.pak").string();
        core::ZipWriteHandle zip = core::ZipWrite::open(pack, true);
        if (!zip)
            return false;
        std::string const base = (m_folder / "files").string() + "/";
        bool const added = core::ZipWrite::addDirectory(zip, base, base);
        if (!core::ZipWrite::close(zip) || !added)
            return false;
        m_fileSystem->unmountZip();
        m_fileSystem->setUseDisk(false);
        m_fileSystem->setUseZip(true);
        return m_fileSystem->mountZip(pack);
    }

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
