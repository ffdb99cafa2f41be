#pragma once

#define TORMAKELIN_FXCORE_API __attribute__((visibility("default")))
