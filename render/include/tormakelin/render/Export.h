#pragma once

#define TORMAKELIN_RENDER_API __attribute__((visibility("default")))
