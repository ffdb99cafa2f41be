#include "Sound.h"

#include <tormakelin/core/FileSystem.h>
#include <tormakelin/core/Path.h>
#include <tormakelin/core/Stream.h>
#include <tormakelin/core/String.h>

#include <bass.h>

#include <cmath>
#include <cstring>

namespace tormakelin::sound {

namespace {

constexpr DWORD kStreamFlags = BASS_STREAM_PRESCAN;
constexpr DWORD kModuleFlags = BASS_MUSIC_PRESCAN | BASS_MUSIC_RAMP;

bool isStreamExtension(const std::string& path) {
    const std::string ext = core::getFileExtension(path);
    for (const char* known : {".ogg", ".mp3", ".wav"}) {
        if (core::compareIgnoreCase(ext, known) == 0)
            return true;
    }
    return false;
}

// Errors come back as negative seconds; a sound reports them as 0.
float secondsOf(DWORD handle, QWORD bytes) {
    float s = BASS_ChannelBytes2Seconds(handle, bytes);
    return s > 0.0f ? s : 0.0f;
}

}  // namespace

Sound::~Sound() { unload(); }

bool Sound::load(const std::string& path) {
    unload();
    if (!core::g_fileSystem)
        return false;
    core::IStream* stream = core::g_fileSystem->open(path);
    if (!stream)
        return false;
    stream->addRef();
    const void* data = stream->getData();
    const unsigned int size = stream->getSize();
    DWORD handle = 0;
    int kind = None;
    if (data && size > 0) {
        if (isStreamExtension(path)) {
            handle = BASS_StreamCreateFile(TRUE, data, 0, size, kStreamFlags);
            kind = Stream;
        } else {
            handle = BASS_MusicLoad(TRUE, data, 0, size, kModuleFlags, 0);
            kind = Module;
        }
    }
    if (handle == 0) {
        stream->release();
        return false;
    }
    m_stream = stream;
    m_handle = handle;
    m_kind = kind;
    m_path = path;
    return true;
}

void Sound::unload() {
    stop();
    if (m_handle) {
        if (m_kind == Module)
            BASS_MusicFree(m_handle);
        else
            BASS_StreamFree(m_handle);
    }
    m_handle = 0;
    m_kind = None;
    m_path.clear();
    if (m_stream)
        m_stream->release();
    m_stream = nullptr;
}

void Sound::play(bool loop) {
    if (!m_handle)
        return;
    BASS_ChannelSetFlags(m_handle, loop ? BASS_SAMPLE_LOOP : 0);
    BASS_ChannelPlay(m_handle, FALSE);
}

void Sound::stop() {
    if (m_handle)
        BASS_ChannelStop(m_handle);
}

void Sound::rewind() {
    if (m_handle)
        setPosition(0.0f);
}

void Sound::setVolume(float volume) {
    if (!m_handle)
        return;
    const float v = volume > 0.0f ? std::fmin(volume, 1.0f) : 0.0f;  // NaN plays silent
    BASS_ChannelSetAttributes(m_handle, 0, int(v * 255.0f), 0);
}

bool Sound::isPlaying() { return m_handle && BASS_ChannelIsActive(m_handle) != BASS_ACTIVE_STOPPED; }

float Sound::getPosition() {
    if (!m_handle)
        return 0.0f;
    return secondsOf(m_handle, BASS_ChannelGetPosition(m_handle));
}

void Sound::setPosition(float seconds) {
    if (!m_handle)
        return;
    if (!(seconds > 0.0f))
        seconds = 0.0f;
    BASS_ChannelSetPosition(m_handle, BASS_ChannelSeconds2Bytes(m_handle, seconds));
}

float Sound::getLength() {
    if (!m_handle)
        return 0.0f;
    return secondsOf(m_handle, BASS_ChannelGetLength(m_handle));
}

void Sound::getData(void* buffer) {
    if (!buffer)
        return;
    if (!m_handle) {
        std::memset(buffer, 0, kDataBytes);
        return;
    }
    BASS_ChannelGetData(m_handle, buffer, BASS_DATA_FFT1024);
}

ISound* createSound() { return new Sound(); }

}  // namespace tormakelin::sound
