#include "MediaPack.h"

#include "GifWriter.h"

#include <AudioFixtures.h>
#include <tex_support.h>

#include <tormakelin/core/MemStream.h>
#include <tormakelin/core/Zip.h>
#include <tormakelin/kavro/Material.h>
#include <tormakelin/kavro/SceneGraph.h>
#include <tormakelin/kavro/Serializer.h>

namespace tormakelin::fxcore::test {

Bytes threeFrameGif()
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

Bytes sceneWithTexture()
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
    params.mode = kavro::SerializerMode_Store;
    if (serializer.create(stream.get(), params) && graph->serialize(&serializer)) {
        auto const* data = static_cast<uint8_t const*>(stream->getData());
        out.assign(data, data + stream->getSize());
    }
    return out;
}

MediaPack::MediaPack()
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
    put(kPackCube, texfixture::writeDds(cube, Bytes(size_t{6} * 4 * 4 * 4, 0x80)));
    put(kPackGif, threeFrameGif());
    put(kPackAtlas,
        textBytes("<Tormakelin.TextureAtlas Width=\"256\" Height=\"128\" Border=\"1\" TextureFilename=\"" +
            std::string(kPackImage) + "\"><Texture Id=\"a\" Rect=\"64,0,32,32\"/></Tormakelin.TextureAtlas>"));
    put(kPackScene, sceneWithTexture());
    put(kPackSound, audio_fixtures::tone(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 10.0));
    put(kPackFont, fileBytes(kSystemFont));
    m_ready = m_device && sound && mount();
}

bool MediaPack::mount()
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

} // namespace tormakelin::fxcore::test
