#pragma once

#define TORMAKELIN_SOUND_API __attribute__((visibility("default")))
