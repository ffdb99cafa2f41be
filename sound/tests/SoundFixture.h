#pragma once
// A file system over a scratch folder of generated sounds, and a sound device driven by hand.

#include "AudioFixtures.h"

#include <tormakelin/core/FileSystem.h>
#include <tormakelin/sound/Sound.h>
#include <tormakelin/sound/SoundDevice.h>

#include <bass_test.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

class SoundTest : public ::testing::Test {
protected:
    static constexpr int kRate = 44100;

    void SetUp() override {
        // Parameterised tests are named "Test/3": one folder per case, not one folder in another.
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(name.begin(), name.end(), '/', '-');
        m_dir = std::filesystem::temp_directory_path() / ("tormakelin-sound-" + std::to_string(::getpid()) + "-" + name);
        std::filesystem::create_directories(m_dir);
        m_fs = tormakelin::core::createFileSystem();
        m_fs->addRef();
        BASS_TestSetManualOutput(TRUE);
        m_device = tormakelin::sound::createSoundDevice();
        m_device->addRef();
        ASSERT_TRUE(m_device->init(-1, kRate));
    }

    void TearDown() override {
        m_device->release();
        BASS_TestSetManualOutput(FALSE);
        m_fs->release();
        std::filesystem::remove_all(m_dir);
    }

    // Writes the bytes under `name` and returns the path to load.
    std::string put(const std::string& name, const audio_fixtures::Bytes& bytes) {
        std::filesystem::path p = m_dir / name;
        std::ofstream(p, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return p.string();
    }

    // A loaded sound with one reference; released by the caller.
    tormakelin::sound::ISound* loaded(const std::string& path) {
        tormakelin::sound::ISound* s = tormakelin::sound::createSound();
        s->addRef();
        EXPECT_TRUE(s->load(path)) << path;
        return s;
    }

    std::vector<float> render(size_t frames) {
        std::vector<float> out(frames * 2);
        BASS_TestRender(out.data(), DWORD(frames));
        return out;
    }

    std::filesystem::path m_dir;
    tormakelin::core::IFileSystem* m_fs = nullptr;
    tormakelin::sound::ISoundDevice* m_device = nullptr;
};
