#include <tormakelin/fxcore/Font.h>

#include "FontBuilder.h"

#include <tormakelin/core/Debug.h>
#include <tormakelin/core/FileSystem.h>
#include <tormakelin/core/Stream.h>

namespace tormakelin::fxcore {

namespace {

// One rasteriser library for every font file alive.
FT_Library s_library = nullptr;
int s_instanceCount = 0;

} // namespace

FontFile::FontFile()
{
    ++s_instanceCount;
}

FontFile::~FontFile()
{
    if (--s_instanceCount == 0 && s_library) {
        FT_Done_FreeType(s_library);
        s_library = nullptr;
    }
    if (m_stream)
        m_stream->release();
    setFont(nullptr);
}

int FontFile::getInstanceCount()
{
    return s_instanceCount;
}

bool FontFile::hasLibrary()
{
    return s_library != nullptr;
}

void FontFile::setFont(IFont* font)
{
    if (font)
        font->addRef();
    if (m_font)
        m_font->release();
    m_font = font;
}

bool FontFile::load(const std::string& fileName, int pointSize)
{
    if (!s_library && FT_Init_FreeType(&s_library) != 0) {
        s_library = nullptr;
        return false;
    }
    if (m_stream) {
        m_stream->release();
        m_stream = nullptr;
    }
    core::IStream* stream = core::g_fileSystem ? core::g_fileSystem->open(fileName) : nullptr;
    if (!stream)
        return false;
    stream->addRef();
    m_stream = stream;

    std::string familyName;
    setFont(detail::buildFontAtlas(s_library, m_stream, pointSize, familyName));
    // The name describes the font held, so it goes with a dropped one.
    m_familyName = m_font ? familyName : std::string();
    // The loader's own message names no file.
    if (!m_font)
        core::Debug(core::DebugWarning, __FILE__, __LINE__, "resources") << fileName << ": no readable font in it";
    return m_font != nullptr;
}

} // namespace tormakelin::fxcore
