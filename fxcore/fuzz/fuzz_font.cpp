// Font files (outline and bitmap faces) through the font file and the glyph atlas builder on a
// headless device: the first byte picks the point size, the rest is the file.

#include <QuietLog.h>

#include <HeadlessDevice.h>

#include <tormakelin/core/FileSystem.h>
#include <tormakelin/fxcore/Font.h>
#include <tormakelin/render/Texture.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include <unistd.h>

using namespace tormakelin;

namespace {

// The file lives only while it loads: the font keeps its stream open.
std::string fontPath() { return "/tmp/tormakelin-fuzz-font-" + std::to_string(getpid()) + ".ttf"; }

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    tormakelin::test::silenceLog();
    return 0;
}

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
    const std::string path = fontPath();
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        return 0;
    }
    std::fwrite(data + 1, 1, size - 1, file);
    std::fclose(file);

    fxcore::FontFile font;
    const bool loaded = font.load(path, int(data[0] % 72) - 4);
    std::remove(path.c_str());
    if (!loaded) {
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
