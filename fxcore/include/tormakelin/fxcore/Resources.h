#pragma once
// The media kinds of a project: each resource holds one loaded object and swaps it through its
// setter (the old one released, the new one held); its loader fills it.

#include <tormakelin/fxcore/Export.h>
#include <tormakelin/fxcore/Font.h>
#include <tormakelin/fxcore/Resource.h>

#include <string>
#include <vector>

namespace tormakelin::render {
class ITexture;
class ITextureAtlas;
} // namespace tormakelin::render

namespace tormakelin::kavro {
class ISceneGraph;
}

namespace tormakelin::sound {
class ISound;
}

namespace tormakelin::fxcore {

class TORMAKELIN_FXCORE_API TextureResource : public Resource {
public:
    static PluginDesc _pluginDesc;
    ~TextureResource() override;
    void setTexture(render::ITexture* texture);
    render::ITexture* getTexture() const { return m_texture; }

private:
    render::ITexture* m_texture = nullptr;
};

class TORMAKELIN_FXCORE_API SceneResource : public Resource {
public:
    static PluginDesc _pluginDesc;
    ~SceneResource() override;
    void setScene(kavro::ISceneGraph* scene);
    kavro::ISceneGraph* getScene() const { return m_scene; }
    // The own file, then the files of the scene's textures.
    void getDependantFiles(std::vector<std::string>& out) const override;

private:
    kavro::ISceneGraph* m_scene = nullptr;
};

class TORMAKELIN_FXCORE_API SoundResource : public Resource {
public:
    static PluginDesc _pluginDesc;
    ~SoundResource() override;
    void setSound(sound::ISound* sound);
    sound::ISound* getSound() const { return m_sound; }

private:
    sound::ISound* m_sound = nullptr;
};

class TORMAKELIN_FXCORE_API TextureAtlasResource : public Resource {
public:
    static PluginDesc _pluginDesc;
    ~TextureAtlasResource() override;
    void setAtlas(render::ITextureAtlas* atlas);
    void setTexture(render::ITexture* texture);
    render::ITextureAtlas* getAtlas() const { return m_atlas; }
    render::ITexture* getTexture() const { return m_texture; }
    // The own file, then the atlas's image.
    void getDependantFiles(std::vector<std::string>& out) const override;

private:
    render::ITextureAtlas* m_atlas = nullptr;
    render::ITexture* m_texture = nullptr;
};

// The frame disposal codes the animated texture acts on (the file may hold others, up to 7).
enum FrameDisposal : int {
    kDisposalNone = 0,
    kDisposalKeep = 1, // the frame stays visible beneath the later ones
};

// One frame of an animated image, placed on the image's logical screen.
struct TORMAKELIN_FXCORE_API AnimatedTextureFrame {
    AnimatedTextureFrame() = default;
    AnimatedTextureFrame(AnimatedTextureFrame const&) = delete;
    AnimatedTextureFrame& operator=(AnimatedTextureFrame const&) = delete;
    ~AnimatedTextureFrame();

    int disposal = kDisposalNone;
    render::ITexture* texture = nullptr;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    // 1/100 s.
    float delay = 0.0f;
};

class TORMAKELIN_FXCORE_API AnimatedTextureResource : public Resource {
public:
    static PluginDesc _pluginDesc;
    ~AnimatedTextureResource() override;

    // Reads a GIF through the file system and uploads every frame. Frames without pixels are
    // skipped; false when none is left or a texture cannot be made.
    bool read(std::string const& fileName);

    // The frames to draw at `seconds`, in drawing order: frames kept beneath (disposal 1) first,
    // the current one last. The animation repeats, also for negative times; with no delay at all
    // the first frame shows. `out` is cleared first and keeps its capacity.
    void getFrame(float seconds, std::vector<AnimatedTextureFrame const*>& out) const;

    std::vector<AnimatedTextureFrame*> const& getFrames() const { return m_frames; }
    int getMaxWidth() const { return m_maxWidth; }
    int getMaxHeight() const { return m_maxHeight; }

    // Takes the frame; its texture reference goes with it.
    void addFrame(AnimatedTextureFrame* frame);

private:
    std::vector<AnimatedTextureFrame*> m_frames;
    int m_maxWidth = 0;
    int m_maxHeight = 0;
};

class TORMAKELIN_FXCORE_API FontResource : public Resource {
public:
    static PluginDesc _pluginDesc;

    // True when a font object was built (see FontFile::load).
    bool load(std::string const& fileName, int pointSize);
    // Null before a successful load.
    IFont* getFont() const { return m_file.getFont(); }
    std::string const& getFamilyName() const { return m_file.getFamilyName(); }

private:
    FontFile m_file;
};

} // namespace tormakelin::fxcore
