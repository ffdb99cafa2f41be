#pragma once

#include <tormakelin/core/RefCounted.h>
#include <tormakelin/sound/Sound.h>

#include <cstdint>

namespace tormakelin::core {
class IStream;
}

namespace tormakelin::sound {

class Sound : public core::RefCounted<ISound> {
public:
    enum Kind { None = 0, Module = 1, Stream = 2 };

    Sound() = default;
    ~Sound() override;

    bool load(const std::string& path) override;
    void unload() override;
    void play(bool loop) override;
    void stop() override;
    void rewind() override;
    void setVolume(float volume) override;
    bool isPlaying() override;
    const std::string& getFileName() override { return m_path; }
    float getPosition() override;
    void setPosition(float seconds) override;
    float getLength() override;
    void getData(void* buffer) override;

private:
    int m_kind = None;
    uint32_t m_handle = 0;
    std::string m_path;
    // The audio layer plays from this stream's memory, so it lives as long as the handle.
    core::IStream* m_stream = nullptr;
};

}  // namespace tormakelin::sound
