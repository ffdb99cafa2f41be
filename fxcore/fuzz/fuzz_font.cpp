// Font files (outline and bitmap faces) through the font file and the glyph atlas builder on a
// headless device: the first byte picks the point size, the rest is the file.

#include <HeadlessDevice.h>

#include <tormakelin/core/FileSystem.h>
#include <tormakelin/fxcore/Font.h>
#include <tormakelin/render/Texture.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

using namespace tormakelin;

namespace {

void removeFontFile();

const std::string& fontPath()
{
    static const std::string path = [] {
        std::atexit(removeFontFile);
        return "/tmp/tormakelin-fuzz-font-" + std::to_string(getpid()) + ".ttf";
    }();
    return path;
}

void removeFontFile() { std::remove(fontPath().c_str()); }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static render::IRenderDevice* device = test::headlessRenderDevice();
    static core::IFileSystem* fileSystem = [] {
        core::IFileSystem* made = core::createFileSystem();
        made->addRef();
        return made;
    }();
    if (!device || !fileSystem || size < 1) {
        return 0;
    }
    FILE* file = std::fopen(fontPath().c_str(), "wb");
    if (!file) {
        return 0;
    }
    std::fwrite(data + 1, 1, size - 1, file);
    std::fclose(file);

    fxcore::FontFile font;
    if (!font.load(fontPath(), int(data[0] % 72) - 4)) {
        return 0;
    }
    fxcore::IFont* atlas = font.getFont();
    atlas->getTexture()->getWidth();
    atlas->getLineHeight();
    atlas->getSize();
    for (int i = 0; i < fxcore::fontCharacterCount; i += 7) {
        const unsigned short code = fxcore::fontCharacterSet[i];
        atlas->getGlyph(code);
        atlas->getKerning(code, 'A');
    }
    atlas->getGlyph(0xFFFF);
    return 0;
}
